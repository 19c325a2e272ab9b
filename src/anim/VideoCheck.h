#pragma once
// Whether a video the encoder wrote is whole. An encoder that runs out of disk while it finishes
// the file can still exit as if it succeeded; an MP4 is read back box by box instead: its boxes
// must fill the file exactly, with the media data and the index that makes it playable.
#include <string>

namespace figurant {

// Empty when the file at `path` is a whole MP4; else what is wrong with it.
std::string CheckMp4File(const std::string& path);

} // namespace figurant
