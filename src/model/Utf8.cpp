#include "Utf8.h"

namespace figurant {

namespace {

// The replacement character, U+FFFD, in UTF-8.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    // The sequence's length, and the range its second byte must lie in (which rules out overlong
    // forms, surrogates and code points beyond U+10FFFF).
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        n = 2;
    else if (lead == 0xE0)
        n = 3, low = 0xA0;
    else if (lead == 0xED)
        n = 3, high = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF)
        n = 3;
    else if (lead == 0xF0)
        n = 4, low = 0x90;
    else if (lead >= 0xF1 && lead <= 0xF3)
        n = 4;
    else if (lead == 0xF4)
        n = 4, high = 0x8F;
    if (n == 0 || at + n > text.size()) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (!Continuation(byte(k))) return 0;
    return n;
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

} // namespace figurant
