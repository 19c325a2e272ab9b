#pragma once
// Writes that either complete on disk or leave the file as it was. Each returns an empty string
// on success and the reason otherwise. A path that is a symbolic link is written through to the
// file it names; a read-only file is refused, never replaced.
#include <string>

namespace figurant {

// Replaces (or creates) the file with `bytes`: a complete copy is written beside it under a
// unique new name, flushed to disk, given the old file's mode, renamed over it, and the folder is
// flushed too. Devices and other special files are written in place.
std::string WriteFileDurably(const std::string& path, const std::string& bytes);
// Appends `bytes` (creating the file if missing) and flushes them to disk; on any failure the
// file is cut back to its previous length, so its bytes stay exactly as they were.
std::string AppendFileDurably(const std::string& path, const std::string& bytes);

} // namespace figurant
