// PNG pictures decoded by the system: the kinds of PNG that carry
// transparency come out pixel-exact and straight (not premultiplied); broken,
// cut and oversized files are clear errors before any pixel is decoded; the
// choice between PNG and BMP goes by the bytes, not the name; a skin with a
// PNG draws its transparent pixels transparent.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "skin/SkinBitmap.h"
#include "skin/SkinCanvas.h"
#include "skin/SkinError.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPng.h"
#include "skin/SkinResources.h"
#include "tests/skin/BmpBuilder.h"
#include "tests/skin/SkinTestFiles.h"

namespace {

using namespace skin;

// 2 x 2, 8-bit RGBA: clear, red at half opacity / opaque green, opaque blue.
const std::vector<uint8_t> kRgbaPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x02,
    0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D, 0x24, 0x00, 0x00, 0x00, 0x15, 0x49, 0x44, 0x41,
    0x54, 0x78, 0xDA, 0x63, 0x60, 0x00, 0x82, 0xFF, 0x0C, 0x0C, 0x0D, 0x20, 0x12, 0x48, 0xFF, 0xFF, 0x0F, 0x00, 0x20, 0xF6,
    0x05, 0x7C, 0xA7, 0x1A, 0x57, 0x25, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// 3 x 1 with a palette of white, yellow, magenta; white is made clear (tRNS).
const std::vector<uint8_t> kPalettePng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x01, 0x08, 0x03, 0x00, 0x00, 0x00, 0x2C, 0x3E, 0xE4, 0x86, 0x00, 0x00, 0x00, 0x09, 0x50,
    0x4C, 0x54, 0x45, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xC3, 0x6B, 0x1E, 0x7D, 0x00, 0x00, 0x00,
    0x01, 0x74, 0x52, 0x4E, 0x53, 0x00, 0x40, 0xE6, 0xD8, 0x66, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x78,
    0xDA, 0x63, 0x60, 0x60, 0x64, 0x02, 0x00, 0x00, 0x08, 0x00, 0x04, 0x08, 0x1D, 0x63, 0x0A, 0x00, 0x00, 0x00, 0x00,
    0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// 1 x 1, 8-bit grey 0x40, no transparency.
const std::vector<uint8_t> kGreyPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x7E, 0x9B, 0x55, 0x00,
    0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x70, 0x00, 0x00, 0x00, 0x42, 0x00, 0x41,
    0x84, 0xBF, 0x8E, 0x62, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

constexpr std::size_t kIdatStart = 33;  // in kRgbaPng: after the signature and the header chunk

std::string Refusal(const std::vector<uint8_t>& bytes)
{
    try {
        DecodePicture(bytes);
    } catch (const SkinError& e) {
        return e.what();
    }
    return "(accepted)";
}

// The PNG with width and height of its header changed (the check comes
// before the header's checksum would be looked at).
std::vector<uint8_t> WithSize(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> bytes = kRgbaPng;
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = uint8_t(width >> (24 - 8 * i));
        bytes[20 + i] = uint8_t(height >> (24 - 8 * i));
    }
    return bytes;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

TEST(SkinPng, TransparentKindsOfPngComeOutExactAndStraight)
{
    struct Case {
        const char* what;
        const std::vector<uint8_t>& bytes;
        int width, height;
        std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
    };
    const Case cases[] = {
        {"8-bit RGBA", kRgbaPng, 2, 2, {0x00000000u, 0x80FF0000u, 0xFF00FF00u, 0xFF0000FFu}},
        {"palette with a clear colour", kPalettePng, 3, 1, {0x00FFFFFFu, 0xFFFFFF00u, 0xFFFF00FFu}},
        {"grey without alpha is opaque", kGreyPng, 1, 1, {0xFF404040u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SkinPixels p = DecodePicture(c.bytes);
        ASSERT_EQ(p.width, c.width);
        ASSERT_EQ(p.height, c.height);
        ASSERT_EQ(p.pixels.size(), c.pixels.size());
        for (std::size_t i = 0; i < c.pixels.size(); ++i) {
            // A fully clear pixel may keep any colour; only its alpha counts.
            if ((c.pixels[i] >> 24) == 0)
                EXPECT_EQ(p.pixels[i] >> 24, 0u) << "pixel " << i << ": " << Hex(p.pixels[i]);
            else
                EXPECT_EQ(Hex(p.pixels[i]), Hex(c.pixels[i])) << "pixel " << i;
        }
    }
}

TEST(SkinPng, BrokenCutAndOversizedFilesAreClearErrors)
{
    std::vector<uint8_t> garbage(kRgbaPng.begin(), kRgbaPng.begin() + 8);
    for (int i = 0; i < 60; ++i) garbage.push_back(uint8_t(i * 37 + 11));
    std::vector<uint8_t> scrambled = kRgbaPng;  // the compressed pixels spoilt, checksum and all
    for (std::size_t i = kIdatStart + 8; i < kIdatStart + 8 + 21; ++i) scrambled[i] ^= 0x5A;
    std::vector<uint8_t> noHeader = kRgbaPng;
    noHeader[12] = 'X';

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"huge in its header", WithSize(20000, 20000), "the picture is 20000 x 20000 pixels; at most 8192 on a side"},
        {"too many pixels in all", WithSize(8000, 8000), "the picture is 8000 x 8000 pixels"},
        {"a side of 2^31 and more", WithSize(0x80000000u, 1), "the PNG file has a broken header"},
        {"no pixels", WithSize(0, 2), "the PNG file has no pixels"},
        {"the signature alone", Cut(kRgbaPng, 8), "the PNG file is cut short"},
        {"cut inside the header", Cut(kRgbaPng, 20), "the PNG file is cut short"},
        {"cut inside the pixels", Cut(kRgbaPng, kIdatStart + 14), "the PNG file is broken or cut short"},
        {"cut before the pixels", Cut(kRgbaPng, kIdatStart), "the PNG file is broken or cut short"},
        {"garbage after the signature", garbage, "the PNG file does not start with its header"},
        {"pixels that do not decompress", scrambled, "the PNG file is broken or cut short"},
        {"another chunk where the header belongs", noHeader, "the PNG file does not start with its header"},
        {"neither BMP nor PNG", {'G', 'I', 'F', '8', '9', 'a'}, "not a BMP or PNG file"},
        {"empty", {}, "not a BMP or PNG file"},
    };
    for (const Case& c : cases) {
        const std::string error = Refusal(c.bytes);
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.what << " -> " << error;
    }
}

// Every cut and every spoilt byte of a real PNG: a picture as large as its
// pixels, or a SkinError; never a crash, a hang or another exception.
TEST(SkinPng, EveryCutAndEverySpoiltByteGivesAPictureOrAnError)
{
    std::vector<std::vector<uint8_t>> inputs;
    for (std::size_t size = 0; size < kRgbaPng.size(); ++size) inputs.push_back(Cut(kRgbaPng, size));
    for (std::size_t at = 0; at < kPalettePng.size(); ++at) {
        std::vector<uint8_t> spoilt = kPalettePng;
        spoilt[at] ^= 0xFF;
        inputs.push_back(spoilt);
    }
    int refused = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        try {
            const SkinPixels p = DecodePicture(inputs[i]);
            EXPECT_GT(p.width, 0) << "input " << i;
            EXPECT_GT(p.height, 0) << "input " << i;
            EXPECT_EQ(p.pixels.size(), std::size_t(p.width) * std::size_t(p.height)) << "input " << i;
        } catch (const SkinError& e) {
            EXPECT_NE(std::string(e.what()), "") << "input " << i;
            ++refused;
        }
    }
    // Every cut file lacks at least its end; WIC may or may not mind that,
    // but every cut before the pixels' end must be refused.
    EXPECT_GE(refused, static_cast<int>(kIdatStart + 8 + 21));
}

TEST(SkinPng, ThePictureKindGoesByTheBytes)
{
    skintest::BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    EXPECT_EQ(DecodePicture(skintest::MakeBmp(spec)).width, 3) << "a BMP still goes to the BMP reader";
    EXPECT_EQ(DecodePicture(kPalettePng).width, 3);
    // What the PNG check says by itself, for a file that is not one.
    EXPECT_EQ(skintest::ErrorOf([&] { ReadPngSize(skintest::MakeBmp(spec)); }), "not a PNG file");
    EXPECT_EQ(ReadPngSize(kRgbaPng).width, 2);
    EXPECT_FALSE(IsPng(Cut(kRgbaPng, 7)));
    EXPECT_TRUE(IsPng(Cut(kRgbaPng, 8)));
}

std::string SkinWithPicture(const std::string& file)
{
    return "image pic {\n  bitmap = \"" + file + "\"; bitmap-mode = center\n}\nwindow W { static s { image = pic } }\n";
}

TEST(SkinPng, SkinsLoadPngUnderAnyNameAndRefuseBrokenOnesWithFileAndLine)
{
    skintest::TempFolder folder;
    folder.Write("a.png", kRgbaPng);
    folder.Write("renamed.bmp", kRgbaPng);
    folder.Write("broken.bmp", Cut(kRgbaPng, kIdatStart + 14));
    folder.Write("huge.png", WithSize(9000, 10));
    struct Case {
        const char* file;
        const char* expected;  // empty: loads
    };
    const Case cases[] = {
        {"a.png", ""},
        {"renamed.bmp", ""},
        {"broken.bmp", "t.skn(1): broken.bmp: the PNG file is broken or cut short"},
        {"huge.png", "t.skn(1): huge.png: the picture is 9000 x 10 pixels"},
    };
    for (const Case& c : cases) {
        folder.Write("t.skn", SkinWithPicture(c.file));
        std::shared_ptr<const SkinResources> resources;
        const std::string error = skintest::ErrorOf([&] { resources = LoadSkinFile(folder.Path("t.skn")); });
        if (*c.expected == 0) {
            ASSERT_EQ(error, "(no error)") << c.file;
            const SkinPixels* pixels = resources->Bitmap(std::wstring(c.file, c.file + std::strlen(c.file)));
            ASSERT_NE(pixels, nullptr) << c.file;
            EXPECT_EQ(pixels->width, 2);
            EXPECT_EQ(pixels->pixels[3], 0xFF0000FFu) << c.file;
        } else {
            EXPECT_NE(error.find(c.expected), std::string::npos) << c.file << " -> " << error;
        }
    }
}

TEST(SkinPng, ASkinsPngDrawsItsClearPixelClearAndItsHalfPixelMixed)
{
    skintest::TempFolder folder;
    folder.Write("a.png", kRgbaPng);
    folder.Write("t.skn", SkinWithPicture("a.png"));
    auto resources = LoadSkinFile(folder.Path("t.skn"));

    SkinCanvas canvas;
    ASSERT_TRUE(canvas.Resize(2, 2));
    canvas.SetClip(RECT{0, 0, 2, 2});
    SkinRgba white;
    white.r = white.g = white.b = 255;
    canvas.FillRounded(RECT{0, 0, 2, 2}, 0, white, Gradient::None, white, 100);
    PaintSection(canvas, *resources, L"pic", RECT{0, 0, 2, 2}, static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    ::GdiFlush();

    const COLORREF clear = ::GetPixel(canvas.Dc(), 0, 0);
    const COLORREF half = ::GetPixel(canvas.Dc(), 1, 0);
    EXPECT_EQ(clear, RGB(255, 255, 255)) << "the clear pixel leaves the white below";
    EXPECT_EQ(GetRValue(half), 255);
    EXPECT_NEAR(GetGValue(half), 127, 2) << "red at half opacity over white";
    EXPECT_NEAR(GetBValue(half), 127, 2);
    EXPECT_EQ(::GetPixel(canvas.Dc(), 0, 1), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(canvas.Dc(), 1, 1), RGB(0, 0, 255));
}

}  // namespace
