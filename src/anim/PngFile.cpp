#include "PngFile.h"

#include <png.h>

#include <csetjmp>

namespace figurant {

namespace {

// A fast compression level: control pictures are mostly black and compress well anyway.
constexpr int kCompression = 3;

void Append(png_structp png, png_bytep data, png_size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}

void Flush(png_structp) {}

// libpng reports a failure by jumping back to where setjmp was called: nothing with a destructor
// is made between the two.
bool Write(std::string& out, const std::uint8_t* rows, int width, int height, int colourType, int depth,
           std::size_t rowBytes) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    {
        png_set_write_fn(png, &out, Append, Flush);
        png_set_compression_level(png, kCompression);
        // One filter instead of trying all five on every row: most of the time went there.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth,
                     colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        // PNG holds 16-bit samples most significant byte first; this machine may not.
        const std::uint16_t one = 1;
        const bool littleEndian = *reinterpret_cast<const std::uint8_t*>(&one) == 1;
        if (depth == 16 && littleEndian) png_set_swap(png);
        for (int y = 0; y < height; ++y)
            png_write_row(png, rows + static_cast<std::size_t>(y) * rowBytes);
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return true;
}

std::string Encode(const std::uint8_t* rows, int width, int height, int colourType, int depth,
                   std::size_t rowBytes) {
    std::string out;
    if (!Write(out, rows, width, height, colourType, depth, rowBytes)) out.clear();
    return out;
}

} // namespace

std::string EncodeRgbPng(const std::vector<std::uint8_t>& rgb, int width, int height) {
    return Encode(rgb.data(), width, height, PNG_COLOR_TYPE_RGB, 8, static_cast<std::size_t>(width) * 3);
}

std::string EncodeGrey16Png(const std::vector<std::uint16_t>& grey, int width, int height) {
    return Encode(reinterpret_cast<const std::uint8_t*>(grey.data()), width, height, PNG_COLOR_TYPE_GRAY, 16,
                  static_cast<std::size_t>(width) * 2);
}

} // namespace figurant
