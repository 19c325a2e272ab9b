#pragma once
// Names read from files (bones, joints, materials) in whatever encoding their tool wrote, made
// into valid UTF-8 before anything writes them: writers of JSON (glTF) refuse any other text, and
// older files often carry Latin-1 names.
#include <cstddef>
#include <string>
#include <string_view>

namespace figurant {

// The length of the well-formed UTF-8 sequence that starts at text[at] (1 to 4), or 0 when the
// bytes there are none: a stray continuation byte, a sequence cut short, an overlong form, a
// surrogate or a code point above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// The text with every byte that starts no well-formed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

} // namespace figurant
