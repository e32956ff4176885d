#pragma once
// Pictures taken from BMP files, decoded without the system so that hostile
// files are checked field by field (and the decoder can be fuzzed natively),
// and the header check of PNG files, whose pixels the system decodes
// (SkinPng.h).
#include <cstdint>
#include <string>
#include <vector>

namespace skin {

// 32-bit pixels, top row first, each 0xAARRGGBB (straight, not premultiplied).
struct SkinPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Uncompressed BMP files of 1, 4, 8, 16, 24 or 32 bits per pixel (bit fields
// included). Throws SkinError with a short reason ("not a BMP file", "RLE
// compressed BMP files are not supported", "8192 x 9000 is larger than ...")
// for anything else, for truncated files and for pictures beyond the limits.
SkinPixels DecodeBmp(const std::vector<uint8_t>& bytes);

// True when the bytes start with the PNG signature.
bool IsPng(const std::vector<uint8_t>& bytes);

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The size a PNG file gives in its header, checked against the same limits
// as a BMP before anything decodes its pixels. Throws SkinError ("not a PNG
// file", "the PNG file is cut short", "the picture is ... pixels; ...").
PictureSize ReadPngSize(const std::vector<uint8_t>& bytes);

// The message for a picture beyond the limits, or empty when it is within.
std::string OversizeReason(int64_t width, int64_t height);

}  // namespace skin
