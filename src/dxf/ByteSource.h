#pragma once
// Buffered byte reader over an open C stream, in text mode as the DXF scanner wants it:
// a CR LF pair arrives as one LF (Windows-written files read the same), and the end of the
// input is reported as -1. The stream is not owned.
#include <cstdio>
#include <memory>

namespace figurant {

class CByteSource {
  public:
    explicit CByteSource(std::FILE* file);

    // Next byte (0 to 255), or -1 at the end of the input.
    int Get() {
        if (m_pos == m_end && !Refill()) return -1;
        const unsigned char c = *m_pos++;
        if (c != '\r') return c;
        if (m_pos == m_end && !Refill()) return c;
        if (*m_pos == '\n') {
            ++m_pos;
            return '\n';
        }
        return c;
    }

    // Line scanning in bulk: reads bytes up to the next LF or end byte 0xFF, or to the end of the
    // input, and returns that terminator ('\n', 0xFF, or -1 at the end). The bytes before it
    // (CR LF folded) are stored in `out` while fewer than `max` are stored, counted in `stored`;
    // `allDigits` is cleared by any byte that is not a decimal digit, stored or not.
    int ReadLine(char* out, int max, int& stored, bool& allDigits);
    // Reads and drops bytes up to and including the next LF; returns '\n', 0xFF or -1.
    int SkipLine();

  private:
    bool Refill();

    static constexpr std::size_t kBlockSize = 1 << 20;
    std::FILE* m_file;
    std::unique_ptr<unsigned char[]> m_buffer;
    const unsigned char* m_pos = nullptr;
    const unsigned char* m_end = nullptr;
};

} // namespace figurant
