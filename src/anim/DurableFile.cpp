#include "DurableFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace figurant {

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Writes everything, retrying short writes; the errno of the failure otherwise.
int WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// fsync on devices that cannot sync (a terminal, /dev/full) is not a failure of the data.
int Sync(int fd) {
    if (::fsync(fd) == 0 || errno == EINVAL || errno == EROFS) return 0;
    return errno;
}

} // namespace

std::string WriteFileDurably(const std::string& path, const std::string& bytes) {
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    // Devices and other special files are written in place; regular files through a copy.
    if (exists && !S_ISREG(info.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return Reason(errno);
        int error = WriteAll(fd, bytes);
        if (!error) error = Sync(fd);
        if (::close(fd) != 0 && !error) error = errno;
        return error ? Reason(error) : std::string();
    }
    const std::string temp = path + ".saving";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return Reason(errno);
    int error = WriteAll(fd, bytes);
    if (!error) error = Sync(fd);
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return Reason(error);
    }
    return {};
}

std::string AppendFileDurably(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return Reason(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return Reason(error);
    }
    int error = WriteAll(fd, bytes);
    if (!error) error = Sync(fd);
    if (error && S_ISREG(info.st_mode)) {
        if (::ftruncate(fd, info.st_size) == 0) ::fsync(fd);
    }
    if (::close(fd) != 0 && !error) error = errno;
    return error ? Reason(error) : std::string();
}

} // namespace figurant
