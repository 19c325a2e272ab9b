// Main of the logic tests: floating-point traps make a division by zero, an invalid operation
// or an overflow in the code under test fail loudly.
#include <cfenv>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    feenableexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    return RUN_ALL_TESTS();
}
