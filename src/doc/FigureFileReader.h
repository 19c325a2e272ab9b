#pragma once
// Reads rigged figures (glTF 2.0 .gltf/.glb/.vrm, FBX, Collada .dae, OBJ) through the Open Asset
// Import Library into the importer's plain scene (files the figure refers to only from its own
// folder, and only regular files): every node as a bone of the hierarchy, every
// mesh in its rest pose placed by its node transforms, weights limited to four per vertex, the
// file's up axis turned to +y and its unit given in metres.
#include "FigureImport.h"

#include <cstddef>
#include <optional>
#include <string>

namespace figurant {

// The file filter of the import dialog and the extensions the reader takes.
extern const char* const kFigureFileFilter;

// Whether the name ends in one of those extensions (any case).
bool IsFigureFileName(const std::string& path);

// Nothing when the file cannot be read, with the reason in `error`.
std::optional<ImportScene> ReadFigureFile(const std::string& path, std::string* error);

// Sets the import library up ahead of a read (a reader waiting for its file does this).
void WarmFigureReader();
// The same from bytes in memory; `extension` ("glb", "obj", ...) says what they are. Files they
// refer to are read from the folder of `chosen`, the file they came from; without one, none is.
std::optional<ImportScene> ReadFigureBytes(const void* data, std::size_t size, const std::string& extension,
                                           std::string* error, const std::string& chosen = {});

} // namespace figurant
