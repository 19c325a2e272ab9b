#include "InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace figurant {

namespace {

std::string SizeText(std::uint64_t bytes) {
    if (bytes >= (1u << 30) && bytes % (1u << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace

InputFile::InputFile(const std::string& path, std::uint64_t maxBytes) {
    // Non-blocking, so opening a FIFO with no writer returns at once instead of waiting for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        m_error = std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        m_error = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        m_error = "not a regular file";
    } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        m_error = "larger than " + SizeText(maxBytes);
    } else {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        m_file = ::fdopen(fd, "rb");
        if (!m_file) m_error = std::strerror(errno);
        m_size = static_cast<std::uint64_t>(info.st_size);
    }
    if (!m_file) ::close(fd);
}

InputFile::~InputFile() {
    if (m_file) std::fclose(m_file);
}

std::optional<std::string> InputFile::ReadAll() {
    if (!m_file) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(m_size), '\0');
    const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), m_file);
    if (std::ferror(m_file)) {
        m_error = std::strerror(errno);
        return std::nullopt;
    }
    bytes.resize(n); // a file that shrank since it was opened is read as far as it goes
    return bytes;
}

std::optional<std::string> ReadInputFile(const std::string& path, std::string* error) {
    InputFile file(path);
    auto bytes = file.ReadAll();
    if (!bytes && error) *error = file.Error();
    return bytes;
}

} // namespace figurant
