// BMP pictures: the depths and layouts that work come out pixel-exact; every
// broken or oversized file is an error, never a crash or a huge allocation.
#include <gtest/gtest.h>

#include "skin/SkinBitmap.h"
#include "skin/SkinError.h"
#include "tests/skin/BmpBuilder.h"

namespace {

using skin::DecodeBmp;
using skintest::BmpSpec;
using skintest::MakeBmp;

std::string Refusal(const std::vector<uint8_t>& bytes)
{
    try {
        DecodeBmp(bytes);
    } catch (const skin::SkinError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(SkinBitmap, TwentyFourBitBottomUpComesOutTopRowFirst)
{
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    // Stored row 0 is the bottom row of the picture.
    s.pixel = [](int x, int row) { return row == 0 ? 0x0000FFu : uint32_t(0x100000 * (x + 1)); };
    skin::SkinPixels p = DecodeBmp(MakeBmp(s));
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.pixels[0], 0xFF100000u);
    EXPECT_EQ(p.pixels[2], 0xFF300000u);
    EXPECT_EQ(p.pixels[3], 0xFF0000FFu) << "bottom row";
}

TEST(SkinBitmap, TopDownThirtyTwoBitKeepsRowOrderAndIsOpaque)
{
    BmpSpec s;
    s.width = 2;
    s.height = -2;
    s.bpp = 32;
    s.pixel = [](int x, int row) { return uint32_t(0x00112233 + x + 16 * row); };
    skin::SkinPixels p = DecodeBmp(MakeBmp(s));
    EXPECT_EQ(p.pixels[0], 0xFF112233u);
    EXPECT_EQ(p.pixels[3], 0xFF112244u);
}

TEST(SkinBitmap, BitFieldsWithAlphaMaskKeepAlpha)
{
    BmpSpec s;
    s.width = 1;
    s.height = 1;
    s.bpp = 32;
    s.compression = 3;
    s.headerSize = 56;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    s.pixel = [](int, int) { return 0x80A0B0C0u; };
    EXPECT_EQ(DecodeBmp(MakeBmp(s)).pixels[0], 0x80A0B0C0u);
}

TEST(SkinBitmap, SixteenBit565ScalesChannelsToFullRange)
{
    BmpSpec s;
    s.width = 1;
    s.height = 1;
    s.bpp = 16;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixel = [](int, int) { return 0xF800u | 0x001Fu; };
    EXPECT_EQ(DecodeBmp(MakeBmp(s)).pixels[0], 0xFFFF00FFu);
}

TEST(SkinBitmap, PaletteDepthsLookUpTheirColours)
{
    for (uint16_t bpp : {1, 4, 8}) {
        BmpSpec s;
        s.width = 9;  // not a whole byte of pixels at 1 and 4 bits
        s.height = 1;
        s.bpp = bpp;
        s.palette = {0x000000, 0xFF8800};
        s.pixel = [](int x, int) { return uint32_t(x % 2); };
        skin::SkinPixels p = DecodeBmp(MakeBmp(s));
        EXPECT_EQ(p.pixels[0], 0xFF000000u) << bpp;
        EXPECT_EQ(p.pixels[1], 0xFFFF8800u) << bpp;
        EXPECT_EQ(p.pixels[8], 0xFF000000u) << bpp;
    }
}

TEST(SkinBitmap, IndexBeyondThePaletteIsBlackNotARead)
{
    BmpSpec s;
    s.width = 1;
    s.height = 1;
    s.bpp = 8;
    s.palette = {0xFFFFFF};
    s.pixel = [](int, int) { return 200u; };
    EXPECT_EQ(DecodeBmp(MakeBmp(s)).pixels[0], 0xFF000000u);
}

struct BadBmp {
    const char* name;
    BmpSpec spec;
    const char* reason;
};

BmpSpec With(void (*change)(BmpSpec&))
{
    BmpSpec s;
    change(s);
    return s;
}

class SkinBitmapRefuses : public ::testing::TestWithParam<BadBmp> {};

TEST_P(SkinBitmapRefuses, WithAReason)
{
    const std::string message = Refusal(MakeBmp(GetParam().spec));
    EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinBitmapRefuses,
    ::testing::Values(
        BadBmp{"rle", With([](BmpSpec& s) { s.bpp = 8, s.compression = 1, s.palette = {0}; }), "RLE compressed"},
        BadBmp{"png", With([](BmpSpec& s) { s.compression = 5; }), "JPEG or PNG"},
        BadBmp{"depth", With([](BmpSpec& s) { s.bpp = 12; }), "12 bits per pixel"},
        BadBmp{"wide", With([](BmpSpec& s) { s.width = 9000, s.height = 1; }), "at most 8192 on a side"},
        BadBmp{"area", With([](BmpSpec& s) { s.width = 8000, s.height = 8000, s.headerOnly = true; }), "16 million"},
        BadBmp{"zero", With([](BmpSpec& s) { s.width = 0; }), "no pixels"},
        BadBmp{"negative", With([](BmpSpec& s) { s.width = -4; }), "no pixels"},
        BadBmp{"cut", With([](BmpSpec& s) { s.truncateBy = 3; }), "cut short in its pixels"},
        BadBmp{"palette", With([](BmpSpec& s) { s.bpp = 8, s.palette.assign(300, 0); }), "more than 256 palette colours"},
        BadBmp{"header", With([](BmpSpec& s) { s.headerSize = 64; }), "unknown header size 64"},
        BadBmp{"gaps", With([](BmpSpec& s) { s.bpp = 16, s.compression = 3, s.masks = {0xF00F, 0x00F0, 0x0F00}; }), "mask with gaps"},
        BadBmp{"masks24", With([](BmpSpec& s) { s.compression = 3, s.masks = {0xFF0000, 0xFF00, 0xFF}; }), "16 or 32 bits"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SkinBitmap, NotABmpAtAll)
{
    EXPECT_NE(Refusal({'G', 'I', 'F', '8', '9', 'a'}).find("not a BMP file"), std::string::npos);
    EXPECT_NE(Refusal({}).find("not a BMP file"), std::string::npos);
    std::vector<uint8_t> headerOnly = MakeBmp(BmpSpec{});
    headerOnly.resize(30);
    EXPECT_NE(Refusal(headerOnly).find("cut short"), std::string::npos) << Refusal(headerOnly);
}

}  // namespace
