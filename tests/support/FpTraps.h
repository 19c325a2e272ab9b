#pragma once
// Turns the floating-point traps off for a test that feeds NaN, infinity or overflowing numbers
// on purpose; they come back on when the guard goes.
#include <cfenv>

namespace figurant::test {

class NoFpTraps {
  public:
    NoFpTraps() : m_saved(fegetexcept()) { fedisableexcept(FE_ALL_EXCEPT); }
    ~NoFpTraps() {
        feclearexcept(FE_ALL_EXCEPT);
        feenableexcept(m_saved);
    }
    NoFpTraps(const NoFpTraps&) = delete;
    NoFpTraps& operator=(const NoFpTraps&) = delete;

  private:
    int m_saved;
};

} // namespace figurant::test
