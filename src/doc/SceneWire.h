#pragma once
// The plain scene as bytes, for the reader that runs in a child process: what the child writes
// through its pipe and the parent reads back. The parent trusts nothing it receives: every count is
// checked against the bytes that are left, every index against what it indexes.
#include "FigureImport.h"

#include <cstddef>
#include <optional>
#include <string>

namespace figurant {

// A scene, or the reason the child could not read the file.
std::string EncodeScene(const ImportScene& scene);
std::string EncodeReadError(const std::string& error);

// The scene the bytes hold; nothing when they hold an error (its reason in `error`) or are not a
// whole, consistent message (then `error` says so).
std::optional<ImportScene> DecodeScene(const std::string& bytes, std::string* error);

} // namespace figurant
