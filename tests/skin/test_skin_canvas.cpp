// The drawing surface of skinned windows, read back pixel by pixel from its
// real GDI bitmap: rounded and gradient fills, strokes, opacity, bitmaps in
// every mode with their transparent colour and alpha, and where labels go.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "skin/SkinCanvas.h"
#include "toolkit/Handles.h"

namespace {

using namespace skin;

const COLORREF kWhite = RGB(255, 255, 255);

SkinRgba Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    SkinRgba c;
    c.r = r, c.g = g, c.b = b, c.a = a;
    return c;
}

std::string Hex(COLORREF c)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

// A white canvas of its own.
void Clear(SkinCanvas& canvas)
{
    canvas.SetClip(RECT{0, 0, canvas.Width(), canvas.Height()});
    canvas.FillRounded(RECT{0, 0, canvas.Width(), canvas.Height()}, 0, Rgba(255, 255, 255), Gradient::None, Rgba(255, 255, 255), 100);
}

// Pictures are 0xAARRGGBB, top row first.
SkinPixels Picture(int width, int height, std::vector<uint32_t> pixels)
{
    return SkinPixels{width, height, std::move(pixels)};
}

const uint32_t kR = 0xFFFF0000, kG = 0xFF00FF00, kB = 0xFF0000FF, kY = 0xFFFFFF00, kM = 0xFFFF00FF;

struct Probe {
    int x, y;
    COLORREF expected;
    bool between = false;  // strictly between white and expected in each channel that differs
};

struct CanvasCase {
    const char* what;
    std::function<void(SkinCanvas&)> draw;
    std::vector<Probe> probes;
};

Probe Mixed(int x, int y, COLORREF towards)
{
    return Probe{x, y, towards, true};
}

bool IsBetween(COLORREF c, COLORREF towards)
{
    bool differs = false;
    const int channels[3][2] = {{GetRValue(c), GetRValue(towards)}, {GetGValue(c), GetGValue(towards)}, {GetBValue(c), GetBValue(towards)}};
    for (const auto& ch : channels) {
        if (ch[1] == 255) {
            if (ch[0] != 255) return false;
            continue;
        }
        if (ch[0] <= ch[1] || ch[0] >= 255) return false;
        differs = true;
    }
    return differs;
}

TEST(SkinCanvas, ShapesBitmapsAndOpacityLandOnTheRightPixels)
{
    const SkinPixels quad = Picture(2, 2, {kR, kG, kB, kY});
    const SkinPixels keyed = Picture(2, 2, {kM, kG, kB, kM});
    std::vector<uint32_t> nine;
    for (uint32_t i = 0; i < 9; ++i) nine.push_back(0xFF000000u | (i * 0x1C) << 16 | (0x10 + i) << 8 | 0x40);
    const SkinPixels nineGrid = Picture(3, 3, nine);
    auto cell = [&](int x, int y) {
        const uint32_t p = nine[std::size_t(y * 3 + x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    };
    const SkinRgba black = Rgba(0, 0, 0), red = Rgba(255, 0, 0), blue = Rgba(0, 0, 255);
    const RECT all{0, 0, 2, 2};

    const CanvasCase cases[] = {
        {"solid fill", [&](SkinCanvas& c) { c.FillRounded({8, 8, 24, 24}, 0, red, Gradient::None, red, 100); },
         {{8, 8, RGB(255, 0, 0)}, {23, 23, RGB(255, 0, 0)}, {7, 8, kWhite}, {24, 23, kWhite}, {23, 24, kWhite}}},
        {"rounded fill", [&](SkinCanvas& c) { c.FillRounded({0, 0, 32, 32}, 8, blue, Gradient::None, blue, 100); },
         {{0, 0, kWhite}, {31, 31, kWhite}, {16, 16, RGB(0, 0, 255)}, {16, 0, RGB(0, 0, 255)}, {0, 16, RGB(0, 0, 255)},
          Mixed(2, 2, RGB(0, 0, 255)), Mixed(29, 29, RGB(0, 0, 255))}},
        {"vertical gradient", [&](SkinCanvas& c) { c.FillRounded({0, 0, 40, 32}, 0, black, Gradient::Vertical, red, 100); },
         {{5, 0, RGB(4, 0, 0)}, {5, 16, RGB(131, 0, 0)}, {5, 31, RGB(251, 0, 0)}, {39, 31, RGB(251, 0, 0)}}},
        {"horizontal gradient", [&](SkinCanvas& c) { c.FillRounded({0, 0, 32, 10}, 0, black, Gradient::Horizontal, Rgba(0, 255, 0), 100); },
         {{0, 5, RGB(0, 4, 0)}, {16, 0, RGB(0, 131, 0)}, {31, 9, RGB(0, 251, 0)}}},
        {"gradient of opacity", [&](SkinCanvas& c) { c.FillRounded({0, 0, 8, 32}, 0, Rgba(0, 0, 0, 0), Gradient::Vertical, Rgba(0, 0, 0, 255), 100); },
         {{4, 0, RGB(251, 251, 251)}, {4, 31, RGB(4, 4, 4)}}},
        {"square stroke", [&](SkinCanvas& c) { c.StrokeRounded({8, 8, 24, 24}, 0, 2, blue, 100); },
         {{8, 16, RGB(0, 0, 255)}, {9, 16, RGB(0, 0, 255)}, {10, 16, kWhite}, {7, 16, kWhite}, {22, 16, RGB(0, 0, 255)},
          {23, 16, RGB(0, 0, 255)}, {21, 16, kWhite}, {16, 8, RGB(0, 0, 255)}, {16, 23, RGB(0, 0, 255)}, {16, 16, kWhite}}},
        {"rounded stroke", [&](SkinCanvas& c) { c.StrokeRounded({0, 0, 32, 32}, 10, 3, red, 100); },
         {{16, 1, RGB(255, 0, 0)}, {1, 16, RGB(255, 0, 0)}, {16, 4, kWhite}, {0, 0, kWhite}, {16, 16, kWhite}, Mixed(3, 2, RGB(255, 0, 0))}},
        {"fill at half opacity", [&](SkinCanvas& c) { c.FillRounded({0, 0, 8, 8}, 0, black, Gradient::None, black, 50); },
         {{4, 4, RGB(127, 127, 127)}}},
        {"colour with alpha", [&](SkinCanvas& c) { c.FillRounded({0, 0, 8, 8}, 0, Rgba(0, 0, 0, 0x80), Gradient::None, black, 100); },
         {{4, 4, RGB(127, 127, 127)}}},
        {"clip", [&](SkinCanvas& c) {
             c.SetClip({0, 0, 10, 10});
             c.FillRounded({0, 0, 40, 40}, 0, red, Gradient::None, red, 100);
         },
         {{9, 9, RGB(255, 0, 0)}, {10, 9, kWhite}, {9, 10, kWhite}}},
        {"stretched bitmap", [&](SkinCanvas& c) { c.DrawPixels(quad, all, {0, 0, 32, 32}, BitmapMode::Stretch, {}, nullptr, 100); },
         {{4, 4, RGB(255, 0, 0)}, {15, 15, RGB(255, 0, 0)}, {28, 4, RGB(0, 255, 0)}, {4, 28, RGB(0, 0, 255)}, {16, 16, RGB(255, 255, 0)},
          {31, 31, RGB(255, 255, 0)}, {32, 32, kWhite}}},
        {"tiled bitmap", [&](SkinCanvas& c) { c.DrawPixels(quad, all, {4, 4, 11, 11}, BitmapMode::Tile, {}, nullptr, 100); },
         {{4, 4, RGB(255, 0, 0)}, {5, 4, RGB(0, 255, 0)}, {6, 4, RGB(255, 0, 0)}, {4, 5, RGB(0, 0, 255)}, {9, 9, RGB(255, 255, 0)},
          {10, 10, RGB(255, 0, 0)}, {11, 10, kWhite}, {10, 11, kWhite}, {3, 4, kWhite}}},
        {"centred bitmap", [&](SkinCanvas& c) { c.DrawPixels(quad, all, {0, 0, 32, 32}, BitmapMode::Center, {}, nullptr, 100); },
         {{15, 15, RGB(255, 0, 0)}, {16, 15, RGB(0, 255, 0)}, {15, 16, RGB(0, 0, 255)}, {16, 16, RGB(255, 255, 0)}, {14, 14, kWhite},
          {17, 17, kWhite}}},
        {"centred bitmap larger than its place", [&](SkinCanvas& c) { c.DrawPixels(quad, all, {10, 10, 11, 11}, BitmapMode::Center, {}, nullptr, 100); },
         {{10, 10, RGB(255, 0, 0)}, {11, 10, kWhite}, {10, 11, kWhite}}},
        {"nine-part bitmap", [&](SkinCanvas& c) { c.DrawPixels(nineGrid, {0, 0, 3, 3}, {0, 0, 32, 24}, BitmapMode::Nine, {1, 1, 1, 1}, nullptr, 100); },
         {{0, 0, cell(0, 0)}, {31, 0, cell(2, 0)}, {0, 23, cell(0, 2)}, {31, 23, cell(2, 2)}, {16, 0, cell(1, 0)}, {0, 12, cell(0, 1)},
          {31, 12, cell(2, 1)}, {16, 23, cell(1, 2)}, {1, 1, cell(1, 1)}, {30, 22, cell(1, 1)}, {16, 12, cell(1, 1)}, {32, 12, kWhite}}},
        {"nine-part with wide borders", [&](SkinCanvas& c) { c.DrawPixels(nineGrid, {0, 0, 3, 3}, {0, 0, 20, 20}, BitmapMode::Nine, {2, 1, 0, 1}, nullptr, 100); },
         // Left border 2 source columns kept at 2 pixels, no right border: the
         // last column stretches.
         {{0, 10, cell(0, 1)}, {1, 10, cell(1, 1)}, {2, 10, cell(2, 1)}, {19, 10, cell(2, 1)}, {19, 0, cell(2, 0)}}},
        {"part of a bitmap", [&](SkinCanvas& c) { c.DrawPixels(quad, {1, 0, 2, 1}, {0, 0, 8, 8}, BitmapMode::Stretch, {}, nullptr, 100); },
         {{0, 0, RGB(0, 255, 0)}, {7, 7, RGB(0, 255, 0)}, {8, 8, kWhite}}},
        {"transparent colour", [&](SkinCanvas& c) {
             const SkinRgba magenta = Rgba(255, 0, 255);
             c.DrawPixels(keyed, all, {0, 0, 32, 32}, BitmapMode::Stretch, {}, &magenta, 100);
         },
         {{4, 4, kWhite}, {28, 4, RGB(0, 255, 0)}, {4, 28, RGB(0, 0, 255)}, {28, 28, kWhite}}},
        {"bitmap at half opacity", [&](SkinCanvas& c) {
             const SkinPixels dark = Picture(1, 1, {0xFF000000});
             c.DrawPixels(dark, {0, 0, 1, 1}, {0, 0, 8, 8}, BitmapMode::Stretch, {}, nullptr, 50);
         },
         {{4, 4, RGB(128, 128, 128)}}},
        {"bitmap alpha", [&](SkinCanvas& c) {
             const SkinPixels alpha = Picture(2, 1, {0x00000000, 0x80000000});
             c.DrawPixels(alpha, {0, 0, 2, 1}, {0, 0, 8, 4}, BitmapMode::Stretch, {}, nullptr, 100);
         },
         {{1, 1, kWhite}, {6, 1, RGB(127, 127, 127)}}},
        {"group opacity", [&](SkinCanvas& c) {
             const RECT area{0, 0, 8, 8};
             std::vector<uint32_t> saved = c.Save(area);
             c.FillRounded(area, 0, black, Gradient::None, black, 100);
             c.BlendBack(saved, area, 25);
         },
         {{4, 4, RGB(192, 192, 192)}, {8, 4, kWhite}}},
    };

    SkinCanvas canvas;
    ASSERT_TRUE(canvas.Resize(40, 40));
    for (const CanvasCase& c : cases) {
        Clear(canvas);
        c.draw(canvas);
        ::GdiFlush();
        for (const Probe& p : c.probes) {
            const COLORREF got = ::GetPixel(canvas.Dc(), p.x, p.y);
            if (p.between)
                EXPECT_TRUE(IsBetween(got, p.expected)) << c.what << " at " << p.x << "," << p.y << ": " << Hex(got) << " is no mix towards " << Hex(p.expected);
            else
                EXPECT_EQ(Hex(got), Hex(p.expected)) << c.what << " at " << p.x << "," << p.y;
        }
    }
}

// The smallest rectangle holding every pixel that is not white.
RECT Ink(const SkinCanvas& canvas)
{
    RECT ink{canvas.Width(), canvas.Height(), -1, -1};
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (::GetPixel(canvas.Dc(), x, y) != kWhite) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
    return ink;
}

TEST(SkinCanvas, LabelsAlignInTheirBoxAndWrapOnlyWhenAsked)
{
    LOGFONTA lf{};
    lf.lfHeight = -16;
    lf.lfWeight = FW_BOLD;
    lf.lfQuality = NONANTIALIASED_QUALITY;
    lstrcpyA(lf.lfFaceName, "Arial");
    toolkit::UniqueFont font(::CreateFontIndirectA(&lf));
    ASSERT_TRUE(font);
    SkinCanvas canvas;
    ASSERT_TRUE(canvas.Resize(160, 160));

    // A short text in a 100 x 40 box at 10, 10.
    const RECT box{10, 10, 110, 50};
    struct AlignCase {
        HAlign align;
        VAlign valign;
        const char* what;
        std::function<bool(const RECT&)> where;
    };
    const AlignCase aligns[] = {
        {HAlign::Left, VAlign::Top, "left top", [](const RECT& i) { return i.left >= 10 && i.left <= 13 && i.top >= 10 && i.top <= 16; }},
        {HAlign::Right, VAlign::Bottom, "right bottom",
         [](const RECT& i) { return i.right >= 106 && i.right <= 110 && i.bottom >= 44 && i.bottom <= 50; }},
        {HAlign::Center, VAlign::Middle, "centre middle",
         [](const RECT& i) { return std::abs((i.left + i.right) / 2 - 60) <= 3 && std::abs((i.top + i.bottom) / 2 - 30) <= 4; }},
        {HAlign::Right, VAlign::Top, "right top", [](const RECT& i) { return i.right >= 106 && i.right <= 110 && i.top <= 16; }},
    };
    for (const AlignCase& a : aligns) {
        Clear(canvas);
        canvas.DrawLabel(L"Hg", box, font.Get(), RGB(0, 0, 0), a.align, a.valign, false);
        const RECT ink = Ink(canvas);
        ASSERT_LT(ink.left, ink.right) << a.what << ": nothing drawn";
        EXPECT_TRUE(a.where(ink)) << a.what << ": ink at " << ink.left << "," << ink.top << " - " << ink.right << "," << ink.bottom;
        EXPECT_GE(ink.left, box.left) << a.what;
        EXPECT_LE(ink.right, box.right) << a.what;
    }

    // Six words in a box 50 wide: one line cut off, or one line per word.
    const std::wstring words = L"one two three four five six";
    const RECT narrow{10, 10, 60, 150};
    Clear(canvas);
    canvas.DrawLabel(words, narrow, font.Get(), RGB(0, 0, 0), HAlign::Left, VAlign::Top, false);
    const RECT single = Ink(canvas);
    EXPECT_LE(single.bottom - single.top, 20) << "one line";
    EXPECT_LE(single.right, narrow.right) << "cut at the box";

    Clear(canvas);
    canvas.DrawLabel(words, narrow, font.Get(), RGB(0, 0, 0), HAlign::Left, VAlign::Top, true);
    const RECT top = Ink(canvas);
    EXPECT_GE(top.bottom - top.top, 5 * 14) << "wrapped into lines";
    EXPECT_LE(top.top, 16);
    EXPECT_LE(top.right, narrow.right);

    Clear(canvas);
    canvas.DrawLabel(words, narrow, font.Get(), RGB(0, 0, 0), HAlign::Center, VAlign::Bottom, true);
    const RECT bottom = Ink(canvas);
    EXPECT_EQ(bottom.bottom - bottom.top, top.bottom - top.top) << "the same lines";
    EXPECT_GE(bottom.bottom, narrow.bottom - 6) << "at the bottom of the box";
    EXPECT_LE(std::abs((bottom.left + bottom.right) / 2 - 35), 3) << "lines centred: " << bottom.left << " - " << bottom.right;

    Clear(canvas);
    canvas.DrawLabel(words, narrow, font.Get(), RGB(0, 0, 0), HAlign::Left, VAlign::Middle, true);
    const RECT middle = Ink(canvas);
    EXPECT_LE(std::abs((middle.top + middle.bottom) / 2 - 80), 4) << middle.top << " - " << middle.bottom;
}

}  // namespace
