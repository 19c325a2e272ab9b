#pragma once
// Recording of key frames into an animation file.
#include "AnimationScene.h"

#include <string>

namespace figurant {

// Writes one key frame. With create, the file is made anew holding only this key frame; without,
// the increment block and the key frame are appended. Either way the increments are cleared once
// the key frame is safely on disk, so the next block holds just the change since this key frame
// (a first save that kept them would have the next steps run past the next key frame). Empty on success,
// otherwise the system's reason; the file is then as it was before the call. Before appending, the file is
// checked to end where a whole key frame ends; when it does not (a save was cut short), nothing is written,
// the reason names the line, and `torn` is set.
std::string WriteKeyFrame(const std::string& path, bool create, AnimationScene& scene, bool* torn = nullptr);
// Every segment's increments back to zero: what the next key frame's block counts from.
void ClearIncrements(AnimationScene& scene);

} // namespace figurant
