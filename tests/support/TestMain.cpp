// Main of the logic tests: floating-point traps make a division by zero, an invalid operation
// or an overflow in the code under test fail loudly. The tests live outside the run folder, so
// they name the figure reader there (unless the test names its own, or none).
#include <cfenv>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (const char* run = std::getenv("FIGURANT_RUN_DIR"))
        ::setenv("FIGURANT_READER", (std::string(run) + "/figurant-read").c_str(), 0);
    feenableexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    return RUN_ALL_TESTS();
}
