#pragma once
// Writes that either complete on disk or leave the file as it was. Each returns an empty string
// on success and the reason otherwise. A path that is a symbolic link is written through to the
// file it names; a read-only file is refused, never replaced.
#include <string>
#include <utility>
#include <vector>

namespace figurant {

// What a write does when the path names something other than a regular file.
enum class SpecialFiles {
    WriteInPlace, // a device or a pipe is written as it is (a folder is refused)
    Refuse        // refused at once: a pipe nobody reads would block the writer
};

// Replaces (or creates) the file with `bytes`: a complete copy is written beside it under a
// unique new name ("NAME.saving-XXXXXX", the name cut short where it is too long for that),
// flushed to disk, given the old file's mode, renamed over it, and the folder is flushed too.
// Temporaries that a killed save of the same file left behind are removed first.
std::string WriteFileDurably(const std::string& path, const std::string& bytes,
                             SpecialFiles special = SpecialFiles::WriteInPlace);
// Writes several files as one set: each is written whole beside its place and flushed, and only
// when every one is, are they all renamed into place. A failure (a full disk, a read-only file)
// leaves every one of the files as it was. The first error, naming its file, or empty.
std::string WriteFilesDurably(const std::vector<std::pair<std::string, std::string>>& files);
// Flushes a file another program wrote to disk; empty, or the reason it cannot be.
std::string SyncFile(const std::string& path);
// Appends `bytes` (creating the file if missing) and flushes them to disk; on any failure the
// file is cut back to its previous length, so its bytes stay exactly as they were.
std::string AppendFileDurably(const std::string& path, const std::string& bytes);

} // namespace figurant
