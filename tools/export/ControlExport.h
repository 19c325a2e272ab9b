#pragma once
// figurant-export --control: the control pictures of a preset view, without a window.
#include "ControlPictures.h"
#include "KvtDoc.h"
#include "Lens.h"

#include <string>

namespace figurant {

struct ControlRequest {
    std::string folder;
    int width = 0, height = 0;
    std::string view = "front"; // front, side, back or top
    Lens lens = StandardLens();
    ControlOptions options;
};

// Empty when written; else the reason.
std::string ExportControlPictures(const CKvtDoc& doc, const Figure& figure, const ControlRequest& request);

// "WxH" as two whole sizes of at least one pixel (ExportControlPictures refuses more than the
// window's largest side).
bool ParsePictureSize(const std::string& text, int& width, int& height);

} // namespace figurant
