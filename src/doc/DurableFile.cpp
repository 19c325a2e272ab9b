#include "DurableFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace figurant {

namespace {

constexpr const char* kReadOnly = "the file is read-only";
constexpr const char* kNotRegular = "it is not a regular file (a folder, a device or a pipe)";

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

std::string Folder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path names: a symbolic link (or a chain of them) is followed, also when the file it
// names does not exist yet.
std::string Target(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), link, sizeof link - 1);
        if (n < 0) return current;
        const std::string to(link, static_cast<std::size_t>(n));
        current = !to.empty() && to[0] == '/' ? to : Folder(current) + "/" + to;
    }
    return current;
}

// Read-only means no write bit at all, or no write access for this user (root ignores the bits,
// so they are looked at too).
bool IsReadOnly(const std::string& path, const struct stat& info) {
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int SyncFolder(const std::string& path) {
    const int fd = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = Sync(fd);
    ::close(fd);
    return error;
}

std::string WriteInPlace(const std::string& path, const std::string& bytes) {
    // Opened without waiting: a pipe nobody reads is refused at once instead of holding the
    // program; what is written then waits as any write does.
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENXIO ? std::string("nothing reads from it") : Reason(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int error = WriteAll(fd, bytes);
    if (!error) error = Sync(fd);
    if (::close(fd) != 0 && !error) error = errno;
    return error ? Reason(error) : std::string();
}

// What a temporary of the file is called before its six unique characters: the file's own name
// (cut short so that the whole stays within the longest name a folder takes) and ".saving-".
constexpr const char* kTempMark = ".saving-";
constexpr std::size_t kUniqueChars = 6;

std::string TempPrefix(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t room = NAME_MAX - std::strlen(kTempMark) - kUniqueChars;
    if (name.size() > room) name.resize(room);
    return folder + name + kTempMark;
}

// Temporaries that a save of the same file left when it was killed: older than any save still
// running could be (a save writes and renames its temporary within moments).
void RemoveStaleTemporaries(const std::string& prefix) {
    constexpr long kStaleSeconds = 60;
    const auto slash = prefix.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
    const std::string start = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != start.size() + kUniqueChars || name.compare(0, start.size(), start) != 0) continue;
        const std::string path = (slash == std::string::npos ? "" : folder) + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && now - info.st_mtime > kStaleSeconds)
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

} // namespace

namespace {

// A complete, flushed copy of `bytes` under a unique new name beside `path`, with the old file's
// mode (`info`, when it exists); its name goes into `temp`. Nothing is left on a failure.
int WriteTemporary(const std::string& path, const std::string& bytes, const struct stat* info,
                   std::string& temp) {
    const std::string prefix = TempPrefix(path);
    RemoveStaleTemporaries(prefix);
    // A unique new name, created exclusively: nothing planted there (a link to another file, a
    // temporary left by a crashed save) is ever opened or overwritten.
    temp = prefix + std::string(kUniqueChars, 'X');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = ::fchmod(fd, info ? (info->st_mode & 07777) : NewFileMode()) == 0 ? 0 : errno;
    if (!error) error = WriteAll(fd, bytes);
    if (!error) error = Sync(fd);
    if (::close(fd) != 0 && !error) error = errno;
    if (error) ::unlink(temp.c_str());
    return error;
}

} // namespace

std::string WriteFileDurably(const std::string& requested, const std::string& bytes, SpecialFiles special) {
    const std::string path = Target(requested);
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        if (special == SpecialFiles::Refuse || S_ISDIR(info.st_mode)) return kNotRegular;
        return WriteInPlace(path, bytes);
    }
    if (exists && IsReadOnly(path, info)) return kReadOnly;
    std::string temp;
    int error = WriteTemporary(path, bytes, exists ? &info : nullptr, temp);
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(temp.c_str());
    }
    if (error) return Reason(error);
    error = SyncFolder(path);
    return error ? Reason(error) : std::string();
}

std::string SyncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Reason(errno);
    const int error = Sync(fd);
    ::close(fd);
    return error ? Reason(error) : std::string();
}

std::string WriteFilesDurably(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::pair<std::string, std::string>> written; // (temporary, file) pairs
    auto undo = [&](const std::string& path, const std::string& why) {
        for (const auto& [temp, file] : written)
            ::unlink(temp.c_str());
        return "\"" + path + "\": " + why;
    };
    // Every file is checked and written beside its place first, where a full disk or a limit
    // shows; only when all are whole are they renamed into place, which takes no room.
    for (const auto& [requested, bytes] : files) {
        const std::string path = Target(requested);
        struct stat info {};
        const bool exists = ::stat(path.c_str(), &info) == 0;
        if (exists && !S_ISREG(info.st_mode)) return undo(requested, kNotRegular);
        if (exists && IsReadOnly(path, info)) return undo(requested, kReadOnly);
        std::string temp;
        if (const int error = WriteTemporary(path, bytes, exists ? &info : nullptr, temp))
            return undo(requested, Reason(error));
        written.emplace_back(temp, path);
    }
    for (std::size_t i = 0; i < written.size(); ++i)
        if (::rename(written[i].first.c_str(), written[i].second.c_str()) != 0) {
            const int error = errno;
            for (std::size_t k = i; k < written.size(); ++k)
                ::unlink(written[k].first.c_str());
            return "\"" + written[i].second + "\": " + Reason(error);
        }
    for (const auto& [temp, file] : written)
        if (const int error = SyncFolder(file)) return "\"" + file + "\": " + Reason(error);
    return {};
}

std::string AppendFileDurably(const std::string& requested, const std::string& bytes) {
    const std::string path = Target(requested);
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 && S_ISREG(before.st_mode) && IsReadOnly(path, before))
        return kReadOnly;
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
