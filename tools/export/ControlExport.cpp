#include "ControlExport.h"

#include "CameraFraming.h"
#include "WindowServices.h"

#include <charconv>

namespace figurant {

bool ParsePictureSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    auto number = [](const char* first, const char* last, int& n) {
        const auto r = std::from_chars(first, last, n);
        return r.ec == std::errc() && r.ptr == last && n >= 1;
    };
    return number(text.data(), text.data() + x, width) &&
           number(text.data() + x + 1, text.data() + text.size(), height);
}

std::string ExportControlPictures(const CKvtDoc& doc, const Figure& figure, const ControlRequest& request) {
    // The window's cap: each picture is drawn whole in memory, several bytes a pixel.
    if (request.width > ExportOptions::kMaxSide || request.height > ExportOptions::kMaxSide)
        return "pictures are at most " + std::to_string(ExportOptions::kMaxSide) + " pixels a side";
    const ViewPreset* preset = FindViewPreset(request.view);
    if (!preset) return "unknown view \"" + request.view + "\" (front, side, back, otherside, top or bottom)";
    const ViewVolume volume = ComputeViewVolume(doc.Model()->Bounds().Extent());
    const double aspect = static_cast<double>(request.width) / request.height;
    ViewMatrices view;
    view.modelView = PresetSceneMatrix(request.lens, volume, aspect, preset->turn, preset->tilt);
    view.projection = ProjectionMatrix(request.lens, volume, aspect);
    view.width = request.width;
    view.height = request.height;
    return WriteControlPictures(request.folder,
                                MakeControlPictures(figure, view, StartLookAt(volume), request.options));
}

} // namespace figurant
