#pragma once
// Decimal conversions with the fixed "C" rules, whatever locale the process has set.
// They give what the C library's atof, atol and atoi give in the "C" locale: leading white space
// is skipped, the longest valid prefix is converted, and text without digits gives 0.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace figurant {

// atof: the longest decimal (or hexadecimal, "inf", "nan") prefix, correctly rounded.
// With exponentD set, 'D' and 'd' count as exponent letters like 'E'.
double CAtof(std::string_view text, bool exponentD = false);

// The common short decimal ("-0.123456", "12.5", "1.5e-4": an optional '-', at most nineteen
// digits, a power of ten within 1e22) from `s` up to `end`, correctly rounded: mantissa and power
// are exact doubles, so one multiplication or division rounds correctly. Returns the end of the
// number, or null when the text needs the general conversion (CAtof).
const char* ParseShortDecimal(const char* s, const char* end, double& value);

// atol: saturates at the range of a 64-bit long, like strtol.
long CAtol(std::string_view text);

// atoi: atol narrowed to 32 bits (the low 32 bits, as the C library does on this platform).
std::int32_t CAtoi(std::string_view text);

bool IsCSpace(unsigned char c);

// The whole of `text` (a decimal real, no leading '+') read straight into a float, rounded once;
// values that underflow keep their nearest float (possibly 0), values beyond the float range and
// text that is not a whole number give nothing. The rule of the normals and animation files.
bool StreamFloat(std::string_view text, float& value);

// The shortest "C" text of nine significant digits ("%.9g" without the locale), enough to read a
// float back exactly: the number format of the files the program writes for other programs.
std::string NineDigits(double value);

} // namespace figurant
