#pragma once
// Writes that either complete on disk or leave the file as it was. Each returns an empty string
// on success and the system's reason otherwise.
#include <string>

namespace figurant {

// Replaces (or creates) the file with `bytes`: a complete copy is written beside it, flushed to
// disk, and only then renamed over it.
std::string WriteFileDurably(const std::string& path, const std::string& bytes);
// Appends `bytes` (creating the file if missing) and flushes them to disk; on any failure the
// file is cut back to its previous length, so its bytes stay exactly as they were.
std::string AppendFileDurably(const std::string& path, const std::string& bytes);

} // namespace figurant
