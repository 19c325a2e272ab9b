#pragma once
// The stream rules of the normals and animation files: numbers read as a C++ stream reads them in
// the "C" locale, each straight into its target type.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace figurant {

// Formatted input of numbers as a C++ stream reads them in the "C" locale: white space is
// skipped before every number; once a number cannot be read, nothing more is.
class NumberReader {
  public:
    explicit NumberReader(std::string text) : m_text(std::move(text)) {}
    // Stores into `value` and returns true, or leaves it and returns false.
    bool Read(int& value);
    bool Read(float& value);
    // Whether the number just read is followed straight by a fraction or an exponent ("12.5" read
    // as an int stops at the '.'), which a count must not be.
    bool FollowedByFraction() const;
    bool Good() const { return m_good; }
    // Bytes of the text read so far.
    std::size_t Position() const { return m_pos; }
    // Numbers read so far.
    std::size_t Count() const { return m_count; }
    // Once a read failed: whether it met the end of the text, and the 1-based line where it failed.
    bool FailedAtEnd() const { return !m_good && m_failPos >= m_text.size(); }
    long FailedLine() const;
    const std::string& Text() const { return m_text; }

  private:
    std::optional<std::string_view> NextNumber(bool real);
    void SkipSpace();
    std::string m_text;
    std::size_t m_pos = 0;
    std::size_t m_failPos = 0;
    std::size_t m_count = 0;
    bool m_good = true;
};

} // namespace figurant
