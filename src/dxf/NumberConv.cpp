#include "NumberConv.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>

namespace figurant {

bool IsCSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Rare texts (overflow, underflow) go to the C library with an explicit "C" locale.
double StrtodC(const std::string& s) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(s.c_str(), nullptr, cLocale);
}

// Exact powers of ten up to 1e22 (all representable as doubles).
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Eight bytes as one word, the first byte lowest.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the digit words assume little-endian order");
std::uint64_t Load8(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// How many of the eight bytes of `word` (first byte lowest) are decimal digits before the first
// other byte. Bytes behind that one may be garbled by borrows and carries; they are not looked at.
int LeadingDigits(std::uint64_t word) {
    constexpr std::uint64_t kZeros = 0x3030303030303030, kHigh = 0x8080808080808080;
    const std::uint64_t d = word - kZeros;
    const std::uint64_t notDigit = (d | (d + 0x7676767676767676)) & kHigh;
    return notDigit ? __builtin_ctzll(notDigit) / 8 : 8;
}

// The value of the first `n` (1 to 8) digit bytes of `word`, in three multiplications: the
// digits are moved to the top with zeros in front, then pairs, quads and the two halves joined.
std::uint32_t DigitsValue(std::uint64_t word, int n) {
    constexpr std::uint64_t kZeros = 0x3030303030303030;
    if (n < 8) word = word << (8 * (8 - n)) | (kZeros >> (8 * n));
    word -= kZeros;
    word = word * 10 + (word >> 8);
    constexpr std::uint64_t kMask = 0x000000FF000000FF;
    word = ((word & kMask) * 0x000F424000000064 + ((word >> 16) & kMask) * 0x0000271000000001) >> 32;
    return static_cast<std::uint32_t>(word);
}

// A run of decimal digits from `s` (up to `end`) added to `mantissa`; returns the run's end.
// Eight digits at a time while eight bytes remain; a run longer than nineteen digits stops
// counting exactly (the caller then leaves the text to the general conversion). Always inlined,
// so mantissa and count stay in registers.
[[gnu::always_inline]] inline const char* AddDigits(const char* s, const char* end, std::uint64_t& mantissa,
                                                    std::size_t& digits) {
    static constexpr std::uint64_t kPow10Int[] = {1,      10,      100,      1000,     10000,
                                                  100000, 1000000, 10000000, 100000000};
    while (end - s >= 8 && digits <= 19) {
        const int n = LeadingDigits(Load8(s));
        if (n == 0) return s;
        mantissa = mantissa * kPow10Int[n] + DigitsValue(Load8(s), n);
        digits += static_cast<std::size_t>(n);
        s += n;
        if (n < 8) return s;
    }
    for (; s != end && static_cast<unsigned>(*s - '0') < 10; ++s, ++digits)
        mantissa = mantissa * 10 + static_cast<unsigned>(*s - '0');
    return s;
}

} // namespace

const char* ParseShortDecimal(const char* s, const char* end, double& value) {
    const bool negative = s != end && *s == '-';
    const char* p = s + negative;
    std::uint64_t mantissa = 0;
    std::size_t digits = 0;
    p = AddDigits(p, end, mantissa, digits);
    int scale = 0;
    if (p != end && *p == '.') {
        const char* fraction = p + 1;
        p = AddDigits(fraction, end, mantissa, digits);
        scale = -static_cast<int>(p - fraction);
    }
    // Nineteen digits always fit 64 bits; the value must also fit the 53-bit significand.
    if (digits == 0 || digits > 19 || mantissa > (std::uint64_t{1} << 53)) return nullptr;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        const bool negativeExponent = q != end && *q == '-';
        if (q != end && (*q == '-' || *q == '+')) ++q;
        int exponent = 0;
        const char* digitsStart = q;
        for (; q != end && static_cast<unsigned>(*q - '0') < 10; ++q) {
            if (exponent > 1000) return nullptr;
            exponent = exponent * 10 + (*q - '0');
        }
        // An exponent letter without digits is not part of the number.
        if (q != digitsStart) {
            scale += negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    if (scale < -22 || scale > 22) return nullptr;
    double v = static_cast<double>(mantissa);
    v = scale < 0 ? v / kPow10[-scale] : v * kPow10[scale];
    value = negative ? -v : v;
    return p;
}

double CAtof(std::string_view text, bool exponentD) {
    // Fast path: a plain decimal number without blanks, '+' or exponent letter D.
    const std::size_t lead = !text.empty() && text[0] == '-';
    if (text.size() > lead && (IsDigit(text[lead]) || text[lead] == '.') && !exponentD &&
        !(text.size() >= lead + 2 && (text[lead + 1] == 'x' || text[lead + 1] == 'X'))) {
        double value = 0.0;
        if (ParseShortDecimal(text.data(), text.data() + text.size(), value)) return value;
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc()) return value;
    }
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string_view rest = text.substr(i);
    std::string patched;
    if (exponentD && rest.find_first_of("Dd") != std::string_view::npos) {
        patched.assign(rest);
        for (char& c : patched)
            if (c == 'D' || c == 'd') c = 'E';
        rest = patched;
    }
    // A leading sign after the one already taken is not a number; no number converts to +0.
    if (rest.empty() || rest[0] == '+' || rest[0] == '-') return 0.0;
    double value = 0.0;
    const char* first = rest.data();
    const char* last = rest.data() + rest.size();
    std::chars_format format = std::chars_format::general;
    if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        const char* hex = first + 2;
        const bool hasDigits =
            hex < last &&
            (std::isxdigit(static_cast<unsigned char>(*hex)) ||
             (*hex == '.' && hex + 1 < last && std::isxdigit(static_cast<unsigned char>(hex[1]))));
        if (hasDigits) {
            first = hex;
            format = std::chars_format::hex;
        }
    }
    auto [ptr, ec] = std::from_chars(first, last, value, format);
    if (ec == std::errc::result_out_of_range) {
        std::string s(text.substr(i));
        if (!patched.empty()) s = patched;
        value = std::fabs(StrtodC(s));
    } else if (ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

long CAtol(std::string_view text) {
    // Fast path for the short unsigned digit strings of group codes.
    if (!text.empty() && text.size() <= 9) {
        long v = 0;
        std::size_t i = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            v = v * 10 + (text[i] - '0');
        if (i == text.size()) return v;
    }
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulate as a negative number so LONG_MIN is reachable; saturate like strtol.
    const long lowest = std::numeric_limits<long>::min();
    long acc = 0;
    bool saturated = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const int d = text[i] - '0';
        if (saturated) continue;
        if (acc < (lowest + d) / 10) {
            saturated = true;
            continue;
        }
        acc = acc * 10 - d;
    }
    if (saturated) return negative ? lowest : std::numeric_limits<long>::max();
    if (negative) return acc;
    return acc == lowest ? std::numeric_limits<long>::max() : -acc;
}

std::int32_t CAtoi(std::string_view text) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned long>(CAtol(text))));
}

std::string NineDigits(double value) {
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 9).ptr);
}

bool StreamFloat(std::string_view text, float& value) {
    const char* const end = text.data() + text.size();
    float v = 0;
    const auto [next, ec] = std::from_chars(text.data(), end, v, std::chars_format::general);
    if (next != end) return false;
    if (ec == std::errc::result_out_of_range) {
        // Beyond the float range it is unreadable; below it, the float nearest the value.
        double d = 0;
        if (std::from_chars(text.data(), end, d, std::chars_format::general).ec != std::errc()) return false;
        if (!(std::fabs(d) <= std::numeric_limits<float>::max())) return false;
        v = static_cast<float>(d);
    } else if (ec != std::errc()) {
        return false;
    }
    value = v;
    return true;
}

} // namespace figurant
