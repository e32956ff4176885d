// The tray icon itself: its record for the shell, the refresh rules, the
// mouse events and the drawing primitives, read back from the icon the
// shell was handed.
#include "TrayTestSupport.h"

#include "engine/uMessages.h"
#include "toolkit/Application.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

using traytest::Difference;
using traytest::Frame;
using traytest::Picture;
using traytest::Shown;
using traytest::Tip;
using traytest::TPrimitiveIcon;

namespace {

traytest::IconPicture TemplatePicture()
{
    toolkit::UniqueIcon icon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), "ICON1616", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    EXPECT_TRUE(icon);
    return traytest::ReadIcon(icon.Get());
}

}  // namespace

TEST(TrayIcon, TheTemplateIsOpaqueEverywhereAndTheBaseIconShowsItUnchanged)
{
    const traytest::IconPicture expected = TemplatePicture();
    EXPECT_EQ(Difference(expected.Mask, Picture{}), "") << "an all-black mask: opaque everywhere";

    TTrayIcon icon;
    const NOTIFYICONDATAA& data = icon.NotifyData();
    EXPECT_EQ(data.cbSize, NOTIFYICONDATAA_V1_SIZE);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(data.cbSize, 88u);
    }
    EXPECT_EQ(data.hWnd, icon.Window());
    EXPECT_EQ(data.uID, 0u);
    EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(data.uCallbackMessage, 0x40Bu);
    EXPECT_FALSE(IsWindowVisible(icon.Window()));
    EXPECT_EQ(Tip(icon), "");
    EXPECT_EQ(icon.Style(), 1);
    EXPECT_EQ(icon.BackColor(), 0x00FFFFFFu);
    EXPECT_EQ(icon.NormalColor(), 0x00008000u);
    EXPECT_EQ(icon.AlertColor(), 0x000000FFu);
    EXPECT_EQ(icon.AlertLevel(), 12u);

    const traytest::IconPicture shown = Shown(icon);
    EXPECT_EQ(Difference(shown.Colour, expected.Colour), "");
    EXPECT_EQ(Difference(shown.Mask, Picture{}), "");
}

TEST(TrayIcon, TheTooltipIsCutToItsFirst63Characters)
{
    TTrayIcon icon;
    std::string hint;
    for (int i = 0; i < 100; ++i) hint += static_cast<char>('a' + i % 26);
    icon.SetHint(hint);
    EXPECT_EQ(icon.Hint(), hint);
    EXPECT_EQ(Tip(icon), hint.substr(0, 63));

    icon.SetHint(hint.substr(0, 63));
    EXPECT_EQ(Tip(icon), hint.substr(0, 63));
    icon.SetHint("Short");
    EXPECT_EQ(Tip(icon), "Short");
}

TEST(TrayIcon, RefreshRulesOfTheSetters)
{
    // Every refresh builds a new icon (the one it replaces is gone by then),
    // so a changed handle tells that a refresh happened.
    TPrimitiveIcon icon;
    icon.Bar(50);
    HICON last = icon.NotifyData().hIcon;
    auto refreshed = [&] {
        HICON now = icon.NotifyData().hIcon;
        return std::exchange(last, now) != now;
    };

    icon.SetStyle(1);
    EXPECT_FALSE(refreshed()) << "the same style changes nothing";
    icon.SetHintQuiet("quiet");
    EXPECT_FALSE(refreshed());
    EXPECT_EQ(Tip(icon), "");
    icon.SetHint("quiet");
    EXPECT_FALSE(refreshed()) << "the stored hint equals it already";
    icon.SetHint("loud");
    EXPECT_TRUE(refreshed());
    EXPECT_EQ(Tip(icon), "loud");
    icon.SetBackColor(icon.BackColor());
    EXPECT_TRUE(refreshed()) << "a colour setter refreshes even with the same colour";
    icon.SetNormalColor(icon.NormalColor());
    EXPECT_TRUE(refreshed());
    icon.SetAlertColor(icon.AlertColor());
    EXPECT_TRUE(refreshed());
}

TEST(TrayIcon, TheShellIsHandedOnlyWhatChangedButAReAddAndASetterHandItAll)
{
    // Handing over the whole icon builds a new one: a new handle tells it
    // from an update of the tooltip alone.
    TPrimitiveIcon icon;
    icon.Bar(50);
    HICON lastIcon = icon.NotifyData().hIcon;
    int lastUpdates = icon.ShellUpdates();
    const std::string longHint(63, 'h');
    std::array<uint32_t, 16> heights{};
    heights.fill(15);
    std::array<uint32_t, 16> taller = heights;
    taller[3] = 16;  // drawn as 15 in the alert colour as well

    enum Handed { Nothing, TooltipOnly, WholeIcon };
    struct Step {
        const char* what;
        std::function<void()> action;
        Handed handed;
    };
    const Step steps[] = {
        {"the same bar", [&] { icon.Bar(50); }, Nothing},
        {"a percentage of the same rows", [&] { icon.Bar(51); }, Nothing},
        {"a plain refresh", [&] { icon.Refresh(false); }, Nothing},
        {"more rows", [&] { icon.Bar(75); }, WholeIcon},
        {"a new tooltip", [&] { icon.SetHintQuiet(longHint); icon.Refresh(false); }, TooltipOnly},
        {"the same tooltip", [&] { icon.Refresh(false); }, Nothing},
        {"a tooltip changed past its 63rd character", [&] { icon.SetHintQuiet(longHint + "x"); icon.Refresh(false); },
         Nothing},
        {"re-adding after the taskbar was re-created", [&] { icon.Refresh(true); }, WholeIcon},
        {"columns", [&] { icon.Columns(heights); }, WholeIcon},
        {"columns of the same pixels", [&] { icon.Columns(taller); }, Nothing},
        {"new columns and a new tooltip", [&] { icon.SetHintQuiet("new"); icon.Columns({}); }, WholeIcon},
        {"text", [&] { icon.Text("42", 0xFFFFFF, 0); }, WholeIcon},
        {"the same text", [&] { icon.Text("42", 0xFFFFFF, 0); }, Nothing},
        {"the same text in another colour", [&] { icon.Text("42", 0xFFFFFF, 0x0000FF); }, WholeIcon},
        {"a colour setter, though the text does not use it", [&] { icon.SetAlertColor(0x00FF00FF); }, WholeIcon},
        {"a new style that draws nothing", [&] { icon.SetStyle(4); }, WholeIcon},
        {"a refresh of a style that draws nothing", [&] { icon.Refresh(false); }, Nothing},
        {"a new hint", [&] { icon.SetHint("loud"); }, WholeIcon},
        {"the same hint", [&] { icon.SetHint("loud"); }, Nothing},
        {"back to a drawing style", [&] { icon.SetStyle(1); }, WholeIcon},
        {"a custom icon",
         [&] {
             icon.SetCustomIcon(toolkit::UniqueIcon(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516)))));
             icon.Refresh(false);
         },
         WholeIcon},
        {"a refresh of the custom icon", [&] { icon.Refresh(false); }, Nothing},
    };
    for (const Step& step : steps) {
        step.action();
        HICON nowIcon = icon.NotifyData().hIcon;
        const int nowUpdates = icon.ShellUpdates();
        EXPECT_EQ(nowUpdates - std::exchange(lastUpdates, nowUpdates), step.handed == Nothing ? 0 : 1) << step.what;
        EXPECT_EQ(std::exchange(lastIcon, nowIcon) != nowIcon, step.handed == WholeIcon) << step.what;
        EXPECT_EQ(Tip(icon), icon.Hint().substr(0, 63)) << step.what;
    }
}

TEST(TrayIcon, StylesOutsideOneToThreeDrawNothingAndShowTheLastPictureAgain)
{
    TPrimitiveIcon icon;
    icon.Bar(50);
    const Picture bar = Shown(icon).Colour;
    for (int style : {0, 4, -1}) {
        icon.SetStyle(style);
        icon.SetBackColor(0x00123456);  // would change the picture of a drawing
        EXPECT_EQ(Difference(Shown(icon).Colour, bar), "") << style;
    }
    icon.SetStyle(1);
    EXPECT_NE(Shown(icon).Colour.At(8, 4), bar.At(8, 4)) << "drawing again in the new background";
}

TEST(TrayIcon, MouseNotificationsCallTheirOwnEventOnly)
{
    TTrayIcon icon;
    int left = 0, doubleClick = 0, right = 0;
    icon.OnLeftButtonDown = [&](TTrayIcon& sender) { left += &sender == &icon; };
    icon.OnDoubleClick = [&](TTrayIcon& sender) { doubleClick += &sender == &icon; };
    icon.OnRightButtonUp = [&](TTrayIcon& sender) { right += &sender == &icon; };

    struct Case {
        UINT mouse;
        int left, doubleClick, right;
    };
    const Case cases[] = {
        {WM_RBUTTONUP, 0, 0, 1},     {WM_RBUTTONDOWN, 0, 0, 0}, {WM_LBUTTONDBLCLK, 0, 1, 0},
        {WM_LBUTTONDOWN, 1, 0, 0},   {WM_LBUTTONUP, 0, 0, 0},   {WM_MOUSEMOVE, 0, 0, 0},
        {WM_RBUTTONDBLCLK, 0, 0, 0}, {WM_MBUTTONUP, 0, 0, 0},
    };
    for (const Case& c : cases) {
        left = doubleClick = right = 0;
        ASSERT_TRUE(PostMessageA(icon.Window(), WM_TRAYICON, 0, static_cast<LPARAM>(c.mouse)));
        toolkit::Application::Instance().ProcessMessages();
        EXPECT_EQ(left, c.left) << std::hex << c.mouse;
        EXPECT_EQ(doubleClick, c.doubleClick) << std::hex << c.mouse;
        EXPECT_EQ(right, c.right) << std::hex << c.mouse;
    }

    // Without handlers nothing happens; the window still answers as the default does.
    icon.OnRightButtonUp = nullptr;
    EXPECT_EQ(SendMessageA(icon.Window(), WM_TRAYICON, 0, WM_RBUTTONUP), 0);
    EXPECT_EQ(right, 0);
    // The mouse code of another message means nothing.
    icon.OnLeftButtonDown = [&](TTrayIcon&) { ++left; };
    SendMessageA(icon.Window(), WM_TRAYICON + 1, 0, WM_LBUTTONDOWN);
    EXPECT_EQ(left, 0);
}

TEST(TrayIcon, BringToForegroundShowsTheHiddenWindow)
{
    TTrayIcon icon;
    // Windows hands the foreground only to a process its rules allow (the
    // foreground one, or the one with the last input); Wine without a window
    // manager hands it to any window.
    const HWND before = GetForegroundWindow();
    DWORD owner = 0;
    if (before) GetWindowThreadProcessId(before, &owner);
    const bool allowed = traytest::RunsUnderWine() || !before || owner == GetCurrentProcessId();
    icon.BringToForeground();
    EXPECT_TRUE(IsWindowVisible(icon.Window()));
    if (!allowed)
        GTEST_SKIP() << "another program holds the foreground and Windows' foreground rules may keep it; "
                        "only the shown window is checked";
    EXPECT_EQ(GetForegroundWindow(), icon.Window());
}

namespace {

// A shell of the test's own, in place of the real one: it answers as told
// and writes down each call.
struct ShellCall {
    DWORD message;
    HWND window;
    bool operator==(const ShellCall&) const = default;
};
std::vector<ShellCall> shellCalls;
int shellRefusals = 0;  // how many of the next adds and modifies it refuses

BOOL RecordingShell(DWORD message, NOTIFYICONDATAA* data)
{
    shellCalls.push_back({message, data->hWnd});
    if (message != NIM_DELETE && shellRefusals > 0) {
        --shellRefusals;
        return FALSE;
    }
    return TRUE;
}

class RecordedShell {
public:
    explicit RecordedShell(int refusals)
    {
        shellCalls.clear();
        shellRefusals = refusals;
        TTrayIcon::SetShellNotify(&RecordingShell);
    }
    ~RecordedShell() { TTrayIcon::SetShellNotify(nullptr); }
};

}  // namespace

TEST(TrayIcon, ARefusedAddIsTriedAgainAndARecreatedTaskbarGetsTheIconBack)
{
    RecordedShell shell(2);  // not ready yet: the add and its second try are refused
    TTrayIcon icon;
    const HWND window = icon.Window();
    EXPECT_EQ(shellCalls, (std::vector<ShellCall>{{NIM_ADD, window}, {NIM_DELETE, window}, {NIM_ADD, window}}));

    // The next refresh, with nothing changed, still adds the icon again.
    shellCalls.clear();
    icon.Refresh(false);
    EXPECT_EQ(shellCalls, (std::vector<ShellCall>{{NIM_ADD, window}}));
    shellCalls.clear();
    icon.Refresh(false);
    for (const ShellCall& call : shellCalls) EXPECT_NE(call.message, static_cast<DWORD>(NIM_ADD)) << "held now";

    // A modify the shell refuses (it lost the icon) is an add next time.
    shellCalls.clear();
    shellRefusals = 1;
    icon.SetHint("lost");
    icon.Refresh(false);
    EXPECT_EQ(shellCalls, (std::vector<ShellCall>{{NIM_MODIFY, window}, {NIM_ADD, window}}));

    // Explorer started again: the broadcast brings every icon back.
    shellCalls.clear();
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(shellCalls, (std::vector<ShellCall>{{NIM_ADD, window}}));
    EXPECT_EQ(Tip(icon), "lost");
}

TEST(TrayIcon, CustomIconIsShownInsteadOfTheDrawingAndReplacedOnTheNextRefresh)
{
    TPrimitiveIcon icon;
    toolkit::UniqueIcon custom(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516))));  // IDI_INFORMATION
    ASSERT_TRUE(custom);
    HICON handle = custom.Get();
    icon.SetCustomIcon(std::move(custom));
    EXPECT_NE(icon.NotifyData().hIcon, handle) << "no refresh of its own";
    icon.Bar(50);
    EXPECT_EQ(icon.NotifyData().hIcon, handle);

    icon.SetCustomIcon({});
    icon.Bar(50);
    EXPECT_NE(icon.NotifyData().hIcon, handle);
    EXPECT_EQ(Shown(icon).Colour.At(5, 15), 0x00008000u);
}

// ----------------------------------------------------------------- columns

TEST(TrayPrimitives, ColumnsOfHeight15InTheAlertColourUnderTheBlackEdge)
{
    TPrimitiveIcon icon;
    std::array<uint32_t, 16> heights;
    heights.fill(15);
    icon.Columns(heights);
    Picture expected = Frame(0xFFFFFF);
    for (int x = 1; x < 16; ++x) traytest::FillRows(expected, x, 2, 15, 0x0000FF);
    EXPECT_EQ(Difference(Shown(icon).Colour, expected), "");
}

TEST(TrayPrimitives, EachColumnHeightColoursItsRowsInTheColourOfItsLevel)
{
    TPrimitiveIcon icon;
    icon.SetBackColor(0x00F0E0D0);
    icon.SetNormalColor(0x00102030);
    icon.SetAlertColor(0x00405060);
    // Column 0 is never drawn; heights beyond 15 stop below the top edge.
    const std::array<uint32_t, 16> heights = {15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 16, 0xFFFFFFFFu};
    icon.Columns(heights);

    Picture expected = Frame(0xF0E0D0);
    for (int x = 1; x < 16; ++x) {
        const uint32_t h = heights[static_cast<size_t>(x)];
        const COLORREF colour = h >= 12 ? 0x405060 : 0x102030;
        if (h == 0)
            expected.At(x, 15) = colour;  // the line runs one pixel downward
        else if (h >= 2)
            traytest::FillRows(expected, x, 17 - static_cast<int>(std::min(h, 15u)), 15, colour);
    }
    EXPECT_EQ(Difference(Shown(icon).Colour, expected), "");
}

// --------------------------------------------------------------- level bar

TEST(TrayPrimitives, LevelBarFillsTheLowestRowsOfColumns1To15)
{
    struct Case {
        uint64_t percent;
        int rows;  // percent * 16 / 100, at most 15
        bool alert;
    };
    const Case cases[] = {
        {50, 8, false},  {75, 12, true},  {5, 0, false},  {0, 0, false},   {74, 11, false},
        {93, 14, true},  {94, 15, true},  {99, 15, true}, {100, 15, true}, {250, 15, true},
        {1ull << 60, 15, true},
    };
    TPrimitiveIcon icon;
    for (const Case& c : cases) {
        icon.Bar(c.percent);
        Picture expected = Frame(0xFFFFFF);
        for (int x = 1; x < 16; ++x)
            if (c.rows > 0) traytest::FillRows(expected, x, 16 - c.rows, 15, c.alert ? 0x0000FF : 0x008000);
        EXPECT_EQ(Difference(Shown(icon).Colour, expected), "") << c.percent << " %";
    }
}

// -------------------------------------------------------------------- text

namespace {

// The same picture made directly: the largest Arial from 15 pixels down whose
// extent fits 15 x 15, at ((16 - w) / 2 + 1, (16 - h) / 2 + 1).
Picture ReferenceText(const std::string& text, COLORREF background, COLORREF colour)
{
    toolkit::WindowDC screen(nullptr);
    toolkit::UniqueMemoryDC dc(CreateCompatibleDC(screen.Get()));
    toolkit::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), 16, 16));
    toolkit::SelectGuard surface(dc.Get(), bitmap.Get());
    {
        toolkit::UniqueBrush brush(CreateSolidBrush(background));
        const RECT all{0, 0, 16, 16};
        FillRect(dc.Get(), &all, brush.Get());
        toolkit::UniquePen black(CreatePen(PS_SOLID, 1, 0));
        toolkit::SelectGuard pen(dc.Get(), black.Get());
        MoveToEx(dc.Get(), 0, 15, nullptr);
        LineTo(dc.Get(), 0, 0);
        LineTo(dc.Get(), 16, 0);
    }
    SIZE size{};
    for (int height = 15; height >= 1; --height) {
        toolkit::UniqueFont font(CreateFontA(height, 0, 0, 0, 0, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0, 0, "Arial"));
        toolkit::SelectGuard selected(dc.Get(), font.Get());
        GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
        if (size.cx <= 15 && size.cy <= 15) {
            SetBkMode(dc.Get(), TRANSPARENT);
            SetTextColor(dc.Get(), colour);
            TextOutA(dc.Get(), (16 - size.cx) / 2 + 1, (16 - size.cy) / 2 + 1, text.c_str(),
                     static_cast<int>(text.size()));
            break;
        }
    }
    return traytest::ReadBitmap(bitmap.Get());
}

}  // namespace

TEST(TrayPrimitives, TextShrinksUntilItFitsAndSitsOnePixelRightAndDownOfTheCentre)
{
    TPrimitiveIcon icon;
    int inkHeightOfOneDigit = 0;
    for (const char* text : {"7", "100", "99G", "0G", "512"}) {
        icon.Text(text, 0x00FFFFFF, 0x00000000);
        const Picture shown = Shown(icon).Colour;
        EXPECT_EQ(Difference(shown, ReferenceText(text, 0xFFFFFF, 0)), "") << text;

        const traytest::Ink ink = traytest::InkOf(shown, 0xFFFFFF);
        ASSERT_GT(ink.Count, 4) << text;
        for (int x = 0; x < 16; ++x) EXPECT_EQ(shown.At(x, 0), 0u) << "top edge " << text;
        for (int y = 0; y < 16; ++y) EXPECT_EQ(shown.At(0, y), 0u) << "left edge " << text;
        if (std::string(text) == "7") inkHeightOfOneDigit = ink.Bottom - ink.Top + 1;
        if (std::string(text) == "100") {
            EXPECT_LT(ink.Bottom - ink.Top + 1, inkHeightOfOneDigit) << "smaller font";
        }
    }
}

TEST(TrayPrimitives, TextUsesTheColoursPassedIn)
{
    TPrimitiveIcon icon;
    icon.Text("8", 0x0000FFFF, 0x000000FF);
    const Picture shown = Shown(icon).Colour;
    EXPECT_EQ(shown.At(15, 15), 0x0000FFFFu) << "background passed in, not BackColor";
    bool solidInk = false;
    for (COLORREF pixel : shown.Pixels) solidInk |= pixel == 0x000000FF;
    EXPECT_TRUE(solidInk) << "text colour passed in";
}
