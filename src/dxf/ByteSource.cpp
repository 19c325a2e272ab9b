#include "ByteSource.h"

#include <cerrno>
#include <unistd.h>

namespace figurant {

CByteSource::CByteSource(std::FILE* file, std::uint64_t limit)
    : m_file(file), m_left(limit), m_buffer(new unsigned char[kBlockSize]) {
    m_pos = m_end = m_buffer.get();
}

CByteSource::CByteSource(int fd, std::uint64_t start, std::uint64_t limit)
    : m_fd(fd), m_left(limit > start ? limit - start : 0), m_blockStart(start),
      m_buffer(new unsigned char[kBlockSize]) {
    m_pos = m_end = m_buffer.get();
}

bool CByteSource::Refill() {
    if ((!m_file && m_fd < 0) || m_left == 0) return false;
    m_blockStart += static_cast<std::uint64_t>(m_end - m_buffer.get());
    const std::size_t want = m_left < kBlockSize ? static_cast<std::size_t>(m_left) : kBlockSize;
    const std::size_t n = m_file ? std::fread(m_buffer.get(), 1, want, m_file) : ReadAt(want);
    m_left -= n;
    m_pos = m_buffer.get();
    m_end = m_pos + n;
    if (m_observer && n > 0) m_observer(m_blockStart + n, m_total);
    return n > 0;
}

std::size_t CByteSource::ReadAt(std::size_t want) {
    std::size_t n = 0;
    while (n < want) {
        const ssize_t got = ::pread(m_fd, m_buffer.get() + n, want - n, static_cast<off_t>(m_blockStart + n));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        n += static_cast<std::size_t>(got);
    }
    return n;
}

int CByteSource::ReadLine(char* out, int max, int& stored, bool& allDigits) {
    int n = stored;
    bool digits = allDigits;
    int terminator = -1;
    for (;;) {
        if (m_pos == m_end && !Refill()) break;
        const unsigned char* p = m_pos;
        const unsigned char* const end = m_end;
        bool carriageReturn = false;
        for (; p != end; ++p) {
            const unsigned char c = *p;
            if (c == '\n') {
                terminator = c;
                break;
            }
            if (c == '\r') {
                carriageReturn = true;
                break;
            }
            digits = digits && c >= '0' && c <= '9';
            if (n < max) out[n++] = static_cast<char>(c);
        }
        if (terminator >= 0) {
            m_pos = p + 1;
            break;
        }
        m_pos = p;
        if (carriageReturn) {
            if (Get() == '\n') {
                terminator = '\n';
                break;
            }
            // A lone CR is an ordinary byte of the line.
            digits = false;
            if (n < max) out[n++] = '\r';
        }
    }
    stored = n;
    allDigits = digits;
    return terminator;
}

int CByteSource::SkipLine() {
    for (;;) {
        if (m_pos == m_end && !Refill()) return -1;
        for (const unsigned char* p = m_pos; p != m_end; ++p) {
            if (*p == '\n') {
                m_pos = p + 1;
                return '\n';
            }
        }
        m_pos = m_end;
    }
}

} // namespace figurant
