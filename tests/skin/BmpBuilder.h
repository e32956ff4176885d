#pragma once
// Builds BMP files in memory for tests: any size, depth, direction, palette
// and header fields, so that good and broken files can both be made.
#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

struct BmpSpec {
    int32_t width = 2;
    int32_t height = 2;  // negative: top row first
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint32_t> masks;    // for bit fields
    // Pixel value at (x, row as stored): palette index or packed value.
    uint32_t (*pixel)(int x, int row) = nullptr;
    int64_t truncateBy = 0;  // bytes cut off the end
    bool headerOnly = false; // no pixel rows at all
};

inline void Put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

inline std::vector<uint8_t> MakeBmp(const BmpSpec& s)
{
    std::vector<uint8_t> header;
    Put32(header, s.headerSize);
    Put32(header, uint32_t(s.width));
    Put32(header, uint32_t(s.height));
    Put16(header, 1);
    Put16(header, s.bpp);
    Put32(header, s.compression);
    Put32(header, 0);
    Put32(header, 2835);
    Put32(header, 2835);
    Put32(header, uint32_t(s.palette.size()));
    Put32(header, 0);
    for (uint32_t m : s.masks) Put32(header, m);
    while (header.size() < s.headerSize) header.push_back(0);
    std::vector<uint8_t> palette;
    for (uint32_t c : s.palette) Put32(palette, c);

    const int rows = s.height < 0 ? -s.height : s.height;
    const int64_t stride = ((int64_t(s.width) * s.bpp + 31) / 32) * 4;
    std::vector<uint8_t> pixels;
    for (int row = 0; row < rows && s.width > 0 && !s.headerOnly; ++row) {
        std::vector<uint8_t> line(size_t(stride), 0);
        for (int x = 0; x < s.width; ++x) {
            uint32_t v = s.pixel ? s.pixel(x, row) : 0;
            if (s.bpp < 8) {
                int bit = x * s.bpp;
                line[size_t(bit / 8)] |= uint8_t(v << (8 - s.bpp - bit % 8));
            } else {
                for (int k = 0; k < s.bpp / 8; ++k) line[size_t(x * (s.bpp / 8) + k)] = uint8_t(v >> (8 * k));
            }
        }
        pixels.insert(pixels.end(), line.begin(), line.end());
    }
    std::vector<uint8_t> file{'B', 'M'};
    const uint32_t offset = 14 + uint32_t(header.size() + palette.size());
    Put32(file, offset + uint32_t(pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), palette.begin(), palette.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    if (s.truncateBy > 0) file.resize(file.size() - size_t(std::min<int64_t>(s.truncateBy, int64_t(file.size()))));
    return file;
}

}  // namespace skintest
