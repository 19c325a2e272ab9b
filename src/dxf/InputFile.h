#pragma once
// The one way the readers open an input file. Only regular files are read (a directory, FIFO,
// device or socket is refused without blocking: the file is opened non-blocking and looked at
// before any read); no more is read than the size seen at open, so a file that grows while it is
// read is read as it was; and files above a size cap are refused. Nothing here throws.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace figurant {

// Drawings, normals and animations larger than this are refused (1 GiB).
constexpr std::uint64_t kMaxInputBytes = std::uint64_t{1} << 30;

class InputFile {
  public:
    // Opens `path` for reading; check Ok(), and Error() for why not.
    explicit InputFile(const std::string& path, std::uint64_t maxBytes = kMaxInputBytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Ok() const { return m_file != nullptr; }
    // "not a regular file", "larger than 1 GiB", or the system's reason ("No such file or directory").
    const std::string& Error() const { return m_error; }
    // Bytes the file held when it was opened; readers read no more than this.
    std::uint64_t Size() const { return m_size; }
    // The open stream (owned by this object), positioned at the start.
    std::FILE* Stream() const { return m_file; }
    // The whole file, up to Size(); nothing when reading fails.
    std::optional<std::string> ReadAll();

  private:
    std::FILE* m_file = nullptr;
    std::uint64_t m_size = 0;
    std::string m_error;
};

// The whole of a regular file, or nothing with the reason in `error` (when given).
std::optional<std::string> ReadInputFile(const std::string& path, std::string* error = nullptr);

} // namespace figurant
