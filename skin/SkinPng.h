#pragma once
// PNG pictures for skins, decoded by the system's imaging component (WIC),
// and the choice between PNG and BMP by what a file holds, not by its name.
#include <cstdint>
#include <vector>

#include "skin/SkinBitmap.h"

namespace skin {

// A PNG file of any kind the system reads, transparency kept. The size in
// its header is checked against the limits before any pixel is decoded.
// Throws SkinError ("the PNG file is broken or cut short", the limits' and
// ReadPngSize's reasons, "PNG pictures cannot be read on this system").
SkinPixels DecodePng(const std::vector<uint8_t>& bytes);

// A PNG or a BMP file, whichever the bytes are; "not a BMP or PNG file"
// otherwise.
SkinPixels DecodePicture(const std::vector<uint8_t>& bytes);

}  // namespace skin
