#pragma once
// PNG files in memory through libpng: 8-bit RGB and 16-bit grey.
#include <cstdint>
#include <string>
#include <vector>

namespace figurant {

// Rows from the top; three bytes a pixel.
std::string EncodeRgbPng(const std::vector<std::uint8_t>& rgb, int width, int height);
std::string EncodeGrey16Png(const std::vector<std::uint16_t>& grey, int width, int height);

} // namespace figurant
