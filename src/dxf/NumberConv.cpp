#include "NumberConv.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace figurant {

bool IsCSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Rare texts (overflow, underflow) go to the C library with an explicit "C" locale.
double StrtodC(const std::string& s) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(s.c_str(), nullptr, cLocale);
}

} // namespace

double CAtof(std::string_view text, bool exponentD) {
    // Fast path: a plain decimal number without a sign, blanks or exponent letter D.
    const std::size_t lead = !text.empty() && text[0] == '-';
    if (text.size() > lead && (IsDigit(text[lead]) || text[lead] == '.') && !exponentD &&
        !(text.size() >= lead + 2 && (text[lead + 1] == 'x' || text[lead + 1] == 'X'))) {
        double value = 0.0;
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc()) return value;
    }
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(static_cast<unsigned char>(text[i]))) ++i;
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
    // A leading sign after the one already taken is not a number.
    if (rest.empty() || rest[0] == '+' || rest[0] == '-') return negative ? -0.0 : 0.0;
    double value = 0.0;
    const char* first = rest.data();
    const char* last = rest.data() + rest.size();
    std::chars_format format = std::chars_format::general;
    if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        const char* hex = first + 2;
        const bool hasDigits =
            hex < last && (std::isxdigit(static_cast<unsigned char>(*hex)) ||
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
        value = 0.0;
    }
    return negative ? -value : value;
}

long CAtol(std::string_view text) {
    // Fast path for the short unsigned digit strings of group codes.
    if (!text.empty() && text.size() <= 9) {
        long v = 0;
        std::size_t i = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) v = v * 10 + (text[i] - '0');
        if (i == text.size()) return v;
    }
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(static_cast<unsigned char>(text[i]))) ++i;
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

} // namespace figurant
