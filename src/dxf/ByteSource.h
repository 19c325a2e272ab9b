#pragma once
// Buffered byte reader over an open C stream, in text mode as the DXF scanner wants it:
// a CR LF pair arrives as one LF (Windows-written files read the same), and the end of the
// input is reported as -1. Every byte value is an ordinary byte. The stream is not owned.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>

namespace figurant {

class CByteSource {
  public:
    // Reads at most `limit` bytes of the stream (the size the file had when it was opened).
    explicit CByteSource(std::FILE* file, std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());
    // Reads the bytes from `start` up to `limit` of an open file by position, leaving the file's
    // own position alone, so another reader can read the same file at the same time. Offset()
    // counts from the file's start.
    CByteSource(int fd, std::uint64_t start, std::uint64_t limit);

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

    // Line scanning in bulk: reads bytes up to the next LF, or to the end of the input, and
    // returns that terminator ('\n', or -1 at the end). The bytes before it
    // (CR LF folded) are stored in `out` while fewer than `max` are stored, counted in `stored`;
    // `allDigits` is cleared by any byte that is not a decimal digit, stored or not.
    int ReadLine(char* out, int max, int& stored, bool& allDigits);
    // Reads and drops bytes up to and including the next LF; returns '\n' or -1.
    int SkipLine();

    // The common line in one step: when the buffer holds a whole line of at most `max` bytes
    // with no CR, copies it to `out`, consumes it with its LF and returns its
    // length (setting `allDigits`); otherwise returns -1 and consumes nothing.
    int TakePlainLine(char* out, int max, bool& allDigits) {
        const unsigned char* p = m_pos;
        const unsigned char* const end = m_end;
        unsigned nonDigit = 0;
        for (; p != end; ++p) {
            const unsigned char c = *p;
            if (c == '\n') break;
            if (c == '\r') return -1;
            nonDigit |= static_cast<unsigned>(static_cast<unsigned char>(c - '0') > 9);
        }
        const auto length = static_cast<int>(p - m_pos);
        if (p == end || length > max) return -1;
        for (int i = 0; i < length; ++i)
            out[i] = static_cast<char>(m_pos[i]);
        m_pos = p + 1;
        allDigits = nonDigit == 0;
        return length;
    }

    // The unread bytes of the current block, for callers that scan whole lines in place.
    const unsigned char* Pos() const { return m_pos; }
    const unsigned char* End() const { return m_end; }
    void SkipTo(const unsigned char* p) { m_pos = p; }
    // Called with the bytes read so far and the bytes to read in all, each time a block is read.
    void SetBlockObserver(std::function<void(std::uint64_t, std::uint64_t)> observer, std::uint64_t total) {
        m_observer = std::move(observer);
        m_total = total;
    }
    // Bytes consumed so far.
    std::uint64_t Offset() const { return m_blockStart + static_cast<std::uint64_t>(m_pos - m_buffer.get()); }

  private:
    bool Refill();
    std::size_t ReadAt(std::size_t want);

    static constexpr std::size_t kBlockSize = 1 << 20;
    std::FILE* m_file = nullptr;
    int m_fd = -1;                  // read by position when there is no stream
    std::uint64_t m_left;           // bytes still to be read from the stream
    std::uint64_t m_blockStart = 0; // offset of the buffer's first byte
    std::unique_ptr<unsigned char[]> m_buffer;
    const unsigned char* m_pos = nullptr;
    const unsigned char* m_end = nullptr;
    std::function<void(std::uint64_t, std::uint64_t)> m_observer;
    std::uint64_t m_total = 0;
};

} // namespace figurant
