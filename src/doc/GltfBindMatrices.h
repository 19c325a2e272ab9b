#pragma once
// A glTF skin without inverse bind matrices means identity matrices, as the format says; the import
// library crashes on one. This supplies them before the library reads the file.
#include <optional>
#include <string>
#include <string_view>

namespace figurant {

// The file (glTF text or binary .glb) with identity matrices for every skin that has none, as a
// buffer of its own inside the file, and its other files named by their full paths in `folder`
// (the library reads the mended file from memory). Nothing when no skin lacks them, or the bytes
// are no glTF this can mend (the library then reads the file as it is).
std::optional<std::string> WithIdentityBindMatrices(std::string_view bytes, const std::string& folder);

} // namespace figurant
