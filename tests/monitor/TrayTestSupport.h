#pragma once
// Shared by the tray icon tests: reading a shown icon back pixel by pixel,
// pictures to compare with, the sample histories set up per test, and a
// tray icon that exposes the drawing primitives.
#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "monitor/uTrayIcon.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace traytest {

// A 16 x 16 picture, row by row, colours as 0x00BBGGRR.
struct Picture {
    std::array<COLORREF, 256> Pixels{};
    COLORREF At(int x, int y) const { return Pixels[static_cast<size_t>(y * 16 + x)]; }
    COLORREF& At(int x, int y) { return Pixels[static_cast<size_t>(y * 16 + x)]; }
    bool operator==(const Picture&) const = default;
};

inline Picture ReadBitmap(HBITMAP bitmap)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::array<uint32_t, 256> raw{};
    toolkit::WindowDC screen(nullptr);
    EXPECT_EQ(GetDIBits(screen.Get(), bitmap, 0, 16, raw.data(), &info, DIB_RGB_COLORS), 16);
    Picture picture;
    for (size_t i = 0; i < raw.size(); ++i)
        picture.Pixels[i] = RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF);
    return picture;
}

// The colour part of an icon and its mask (white where the icon is clear).
struct IconPicture {
    Picture Colour;
    Picture Mask;
};

inline IconPicture ReadIcon(HICON icon)
{
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(icon, &info));
    toolkit::UniqueBitmap mask(info.hbmMask);
    toolkit::UniqueBitmap colour(info.hbmColor);
    return {ReadBitmap(colour.Get()), ReadBitmap(mask.Get())};
}

// What the shell was handed last.
inline IconPicture Shown(const TTrayIcon& icon) { return ReadIcon(icon.NotifyData().hIcon); }
inline std::string Tip(const TTrayIcon& icon) { return icon.NotifyData().szTip; }

// The background with the black edge along the left and the top.
inline Picture Frame(COLORREF background)
{
    Picture picture;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) picture.At(x, y) = (x == 0 || y == 0) ? 0x000000 : background;
    return picture;
}

inline void FillRows(Picture& picture, int x, int fromRow, int toRow, COLORREF colour)
{
    for (int y = fromRow; y <= toRow; ++y) picture.At(x, y) = colour;
}

// The differing pixels as text ("" when equal), for readable failures.
inline std::string Difference(const Picture& actual, const Picture& expected)
{
    std::string text;
    int shown = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (actual.At(x, y) != expected.At(x, y) && shown++ < 8) {
                char line[80];
                std::snprintf(line, sizeof(line), "(%d,%d) is %06lX, expected %06lX; ", x, y,
                              static_cast<unsigned long>(actual.At(x, y)), static_cast<unsigned long>(expected.At(x, y)));
                text += line;
            }
    return text;
}

// Pixels of each row and column inside the frame that differ from the background.
struct Ink {
    int Left = 16, Top = 16, Right = -1, Bottom = -1, Count = 0;
};

inline Ink InkOf(const Picture& picture, COLORREF background)
{
    Ink ink;
    for (int y = 1; y < 16; ++y)
        for (int x = 1; x < 16; ++x)
            if (picture.At(x, y) != background) {
                ++ink.Count;
                ink.Left = std::min(ink.Left, x);
                ink.Right = std::max(ink.Right, x);
                ink.Top = std::min(ink.Top, y);
                ink.Bottom = std::max(ink.Bottom, y);
            }
    return ink;
}

// Fresh, empty histories for every test, and the total back afterwards.
class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedTotalMB_ = TotalPhysMB;
        InitMemoryFigures();
        MemoryHistory = std::make_unique<TIntArray>(0);
        CpuHistory = std::make_unique<TIntArray>(0);
    }
    void TearDown() override
    {
        MemoryHistory.reset();
        CpuHistory.reset();
        TotalPhysMB = savedTotalMB_;
    }
    static void SetSlots(TIntArray& history, int first, int last, uint64_t value)
    {
        for (int i = first; i <= last; ++i) history.Items[static_cast<size_t>(i)] = value;
    }

private:
    int savedTotalMB_ = 0;
};

// Wine's own notification area, as winex11 shows it without a desktop
// shell: one top-level window of this class holds one child window of
// TrayIconClass per icon. Tests that look into it hold only where it exists.
inline constexpr const char* WineTrayClass = "__winex11_standalone_tray";
inline constexpr const char* TrayIconClass = "__winex11_tray_icon";

inline bool RunsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Why Wine's tray windows cannot be looked at here, or "" when they can.
inline std::string WineTrayMissing()
{
    if (!RunsUnderWine())
        return std::string("this is not Wine: the shell's notification area has no windows of the classes ") +
               WineTrayClass + " and " + TrayIconClass;
    if (!FindWindowA(WineTrayClass, nullptr))
        return std::string("Wine shows its icons elsewhere (a desktop's own tray): no window of class ") + WineTrayClass;
    return "";
}

// Without a window manager, Wine's tray waits two seconds whenever its last
// icon goes. One icon kept for the whole test program makes every other
// removal immediate.
class KeepTrayOpen : public ::testing::Environment {
public:
    void SetUp() override { keeper_ = std::make_unique<TTrayIcon>(); }
    void TearDown() override { keeper_.reset(); }

private:
    std::unique_ptr<TTrayIcon> keeper_;
};
inline ::testing::Environment* const KeepTrayOpenEnvironment = ::testing::AddGlobalTestEnvironment(new KeepTrayOpen);

// A tray icon whose chart is whatever primitive the test asks for.
class TPrimitiveIcon final : public TTrayIcon {
public:
    TPrimitiveIcon() : TTrayIcon(DeferShow{}) { Show(); }

    void Columns(const std::array<uint32_t, 16>& heights)
    {
        drawing_ = [this, heights](HDC dc) { DrawColumns(dc, heights); };
        Refresh(false);
    }
    void Bar(uint64_t percent)
    {
        drawing_ = [this, percent](HDC dc) { DrawLevelBar(dc, percent); };
        Refresh(false);
    }
    void Text(const std::string& text, COLORREF background, COLORREF colour)
    {
        drawing_ = [this, text, background, colour](HDC dc) { DrawText(dc, text, background, colour); };
        Refresh(false);
    }

protected:
    void DrawChart(HDC dc) override
    {
        if (drawing_) drawing_(dc);
    }

private:
    std::function<void(HDC)> drawing_;
};

}  // namespace traytest
