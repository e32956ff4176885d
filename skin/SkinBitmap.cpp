#include "skin/SkinBitmap.h"

#include "skin/SkinError.h"
#include "skin/SkinLimits.h"

namespace skin {
namespace {

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : b_(bytes) {}
    bool Has(uint64_t offset, uint64_t count) const { return offset <= b_.size() && count <= b_.size() - offset; }
    uint32_t U16(uint64_t at) const { return Need(at, 2), uint32_t(b_[at]) | uint32_t(b_[at + 1]) << 8; }
    uint32_t U32(uint64_t at) const
    {
        Need(at, 4);
        return uint32_t(b_[at]) | uint32_t(b_[at + 1]) << 8 | uint32_t(b_[at + 2]) << 16 | uint32_t(b_[at + 3]) << 24;
    }
    int32_t I32(uint64_t at) const { return static_cast<int32_t>(U32(at)); }
    uint8_t Byte(uint64_t at) const { return b_[at]; }  // callers checked the range

private:
    void Need(uint64_t at, uint64_t count) const
    {
        if (!Has(at, count)) throw SkinError("the BMP file is cut short");
    }
    const std::vector<uint8_t>& b_;
};

// One channel described by a bit mask, scaled to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    static Channel From(uint32_t mask)
    {
        Channel c;
        c.mask = mask;
        if (!mask) return c;
        while (!((mask >> c.shift) & 1)) ++c.shift;
        uint32_t bits = mask >> c.shift;
        if (bits & (bits + 1)) throw SkinError("the BMP file has a colour mask with gaps");
        c.max = bits;
        return c;
    }
    uint32_t Get(uint32_t value, uint32_t absent) const
    {
        if (!mask) return absent;
        uint32_t v = (value & mask) >> shift;
        return uint32_t((uint64_t(v) * 255 + max / 2) / max);
    }
};

}  // namespace

SkinPixels DecodeBmp(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() > limits::kMaxImageFileBytes) throw SkinError("the BMP file is larger than 64 MB");
    Reader r(bytes);
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') throw SkinError("not a BMP file");
    const uint64_t dataOffset = r.U32(10);
    const uint64_t headerSize = r.U32(14);
    int64_t width, height;
    uint32_t bpp, compression = 0, colorsUsed = 0;
    uint64_t paletteOffset = 14 + headerSize;
    int paletteEntryBytes = 4;
    uint32_t masks[4] = {0, 0, 0, 0};
    bool hasMasks = false;
    if (headerSize == 12) {
        width = r.U16(18);
        height = static_cast<int16_t>(r.U16(20));
        if (r.U16(22) != 1) throw SkinError("the BMP file has a bad plane count");
        bpp = r.U16(24);
        paletteEntryBytes = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
        width = r.I32(18);
        height = r.I32(22);
        if (r.U16(26) != 1) throw SkinError("the BMP file has a bad plane count");
        bpp = r.U16(28);
        compression = r.U32(30);
        colorsUsed = r.U32(46);
        if (compression == 3 || compression == 6) {
            hasMasks = true;
            int count = compression == 6 ? 4 : 3;
            uint64_t at = 54;  // inside the larger headers, or right after a 40-byte one
            for (int i = 0; i < count; ++i) masks[i] = r.U32(at + 4 * i);
            if (headerSize >= 56) masks[3] = r.U32(66);
            if (headerSize == 40) paletteOffset += 4 * count;
        }
    } else {
        throw SkinError("not a BMP file (unknown header size " + std::to_string(headerSize) + ")");
    }

    if (compression == 1 || compression == 2) throw SkinError("RLE compressed BMP files are not supported");
    if (compression == 4 || compression == 5) throw SkinError("BMP files with JPEG or PNG inside are not supported");
    if (compression != 0 && compression != 3 && compression != 6) throw SkinError("the BMP file uses an unknown compression");
    if (hasMasks && bpp != 16 && bpp != 32) throw SkinError("colour masks need 16 or 32 bits per pixel");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        throw SkinError("the BMP file has " + std::to_string(bpp) + " bits per pixel (1, 4, 8, 16, 24 or 32 work)");

    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) throw SkinError("the BMP file has no pixels");
    if (std::string reason = OversizeReason(width, height); !reason.empty()) throw SkinError(reason);

    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        uint64_t count = colorsUsed ? colorsUsed : (1u << bpp);
        if (count > 256) throw SkinError("the BMP file has more than 256 palette colours");
        if (!r.Has(paletteOffset, count * paletteEntryBytes)) throw SkinError("the BMP file is cut short in its palette");
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t at = paletteOffset + i * paletteEntryBytes;
            palette.push_back(0xFF000000u | uint32_t(r.Byte(at + 2)) << 16 | uint32_t(r.Byte(at + 1)) << 8 | r.Byte(at));
        }
    }

    Channel red, green, blue, alpha;
    if (bpp == 16 || bpp == 32) {
        if (!hasMasks) {
            if (bpp == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
            else masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
            masks[3] = 0;  // plain 32-bit files leave the fourth byte unused
        }
        red = Channel::From(masks[0]);
        green = Channel::From(masks[1]);
        blue = Channel::From(masks[2]);
        alpha = Channel::From(masks[3]);
    }

    const uint64_t stride = ((uint64_t(width) * bpp + 31) / 32) * 4;
    if (!r.Has(dataOffset, stride * uint64_t(height))) throw SkinError("the BMP file is cut short in its pixels");

    SkinPixels out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.resize(std::size_t(width) * std::size_t(height));
    for (int64_t y = 0; y < height; ++y) {
        const uint64_t row = dataOffset + stride * uint64_t(topDown ? y : height - 1 - y);
        uint32_t* dst = &out.pixels[std::size_t(y) * std::size_t(width)];
        for (int64_t x = 0; x < width; ++x) {
            uint32_t pixel;
            if (bpp <= 8) {
                uint64_t bit = uint64_t(x) * bpp;
                uint8_t byte = r.Byte(row + bit / 8);
                uint32_t index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                pixel = index < palette.size() ? palette[index] : 0xFF000000u;
            } else if (bpp == 24) {
                uint64_t at = row + uint64_t(x) * 3;
                pixel = 0xFF000000u | uint32_t(r.Byte(at + 2)) << 16 | uint32_t(r.Byte(at + 1)) << 8 | r.Byte(at);
            } else {
                uint64_t at = row + uint64_t(x) * (bpp / 8);
                uint32_t v = bpp == 16 ? (uint32_t(r.Byte(at)) | uint32_t(r.Byte(at + 1)) << 8)
                                       : (uint32_t(r.Byte(at)) | uint32_t(r.Byte(at + 1)) << 8 | uint32_t(r.Byte(at + 2)) << 16 |
                                          uint32_t(r.Byte(at + 3)) << 24);
                pixel = alpha.Get(v, 255) << 24 | red.Get(v, 0) << 16 | green.Get(v, 0) << 8 | blue.Get(v, 0);
            }
            dst[x] = pixel;
        }
    }
    return out;
}

std::string OversizeReason(int64_t width, int64_t height)
{
    if (width <= limits::kMaxImageSide && height <= limits::kMaxImageSide && width * height <= limits::kMaxImagePixels) return {};
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels; at most 8192 on a side and 16 million in all";
}

bool IsPng(const std::vector<uint8_t>& bytes)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (bytes.size() < sizeof(signature)) return false;
    for (std::size_t i = 0; i < sizeof(signature); ++i)
        if (bytes[i] != signature[i]) return false;
    return true;
}

PictureSize ReadPngSize(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() > limits::kMaxImageFileBytes) throw SkinError("the PNG file is larger than 64 MB");
    if (!IsPng(bytes)) throw SkinError("not a PNG file");
    // The signature, then the header chunk: length 13, "IHDR", width and
    // height as big-endian numbers of 31 bits.
    if (bytes.size() < 8 + 8 + 13 + 4) throw SkinError("the PNG file is cut short");
    const auto big = [&bytes](std::size_t at) {
        return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
    };
    if (big(8) != 13 || bytes[12] != 'I' || bytes[13] != 'H' || bytes[14] != 'D' || bytes[15] != 'R')
        throw SkinError("the PNG file does not start with its header");
    const uint32_t width = big(16);
    const uint32_t height = big(20);
    if (width == 0 || height == 0) throw SkinError("the PNG file has no pixels");
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) throw SkinError("the PNG file has a broken header");
    if (std::string reason = OversizeReason(width, height); !reason.empty()) throw SkinError(reason);
    return PictureSize{static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace skin
