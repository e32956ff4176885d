// Context help in the real main window with the real default skin, the real
// help file kalvora.chm beside the tests and the system's help library: no
// hook between the window and the help. Wine's library shows no popup texts,
// so what appears is the help's own popup window, whose caption is its text.
#include "tests/ui/MainWindowTestSupport.h"

#include "engine/uMessages.h"
#include "help/fHelpPopup.h"
#include "help/uHTMLHelp.h"
#include "help/uPopupTexts.h"
#include "settings/uProgramFiles.h"
#include "toolkit/DrawingGuards.h"

#include <fstream>
#include <iterator>
#include <optional>

namespace mainwindowtest {
namespace {

#ifndef KALVORA_HELP_FILE_BUILT
#define KALVORA_HELP_FILE_BUILT 1
#endif
constexpr bool HelpFileBuilt = KALVORA_HELP_FILE_BUILT != 0;

// The popup texts as the help file was compiled from them.
std::string PopupSource()
{
    std::ifstream file(KALVORA_POPUP_SOURCE, std::ios::binary);
    EXPECT_TRUE(file) << "cannot read " << KALVORA_POPUP_SOURCE;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ExpectedText(uint32_t number)
{
    const std::optional<std::string> text = FindPopupText(PopupSource(), number);
    EXPECT_TRUE(text.has_value()) << "no popup text " << number << " in the source";
    return text.value_or(std::string());
}

BOOL CALLBACK CollectPopup(HWND window, LPARAM data)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof(className));
    if (process == ::GetCurrentProcessId() && std::string(className) == HelpPopupClassName)
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

// The help popups of this process, shown or hidden.
std::vector<HWND> HelpPopups()
{
    std::vector<HWND> found;
    ::EnumWindows(&CollectPopup, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND VisibleHelpPopup()
{
    for (HWND popup : HelpPopups()) {
        if (::IsWindowVisible(popup)) return popup;
    }
    return nullptr;
}

RECT ScreenRect(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

// Pixels of the popup's client area in another colour than its background,
// once it has painted: the text as the user sees it.
int InkPixels(HWND popup)
{
    EXPECT_TRUE(PumpUntil([popup] { return !::GetUpdateRect(popup, nullptr, FALSE); })) << "never painted";
    RECT client{};
    ::GetClientRect(popup, &client);
    toolkit::WindowDC dc(popup);
    if (!dc) return 0;
    const COLORREF background = ::GetSysColor(COLOR_INFOBK);
    int ink = 0;
    for (int y = client.top; y < client.bottom; ++y) {
        for (int x = client.left; x < client.right; ++x) {
            const COLORREF pixel = ::GetPixel(dc.Get(), x, y);
            if (pixel != CLR_INVALID && pixel != background) ++ink;
        }
    }
    return ink;
}

// A real click of the system's mouse at a screen point.
void ClickOnScreen(POINT at)
{
    ASSERT_TRUE(::SetCursorPos(at.x, at.y));
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(::SendInput(2, inputs, sizeof(INPUT)), 2u);
}

class ContextHelpTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!HelpFileBuilt) GTEST_SKIP() << "this build compiles no kalvora.chm (chmcmd was not found)";
        ASSERT_TRUE(FileExists(ProgramFolder() + "kalvora.chm"));
        ASSERT_TRUE(HelpPopups().empty());
    }
    void TearDown() override
    {
        ShutdownHtmlHelp();
        MainWindowTest::TearDown();
        EXPECT_TRUE(HelpPopups().empty()) << "a popup outlived the help";
    }

    // The main window on the manual page, where "manual_activate" is shown,
    // with context help on.
    TfrmMain& OpenInContextHelp()
    {
        TfrmMain& window = Open();
        Options->SetManual(TestTotalMB / 4);  // a click on "manual_activate" would free up
        Click(L"manual");
        EXPECT_TRUE(AnimationsDone());
        Click(L"contexthelp");
        EXPECT_TRUE(window.ContextHelpMode());
        return window;
    }

    // The point the popup of an element hangs from: 10 pixels below the
    // middle of its lower edge, on the screen.
    POINT PopupPointBelow(const std::wstring& name) const
    {
        RECT r = ElementRect(name);
        ::MapWindowPoints(Window->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
        return POINT{(r.left + r.right) / 2, r.bottom + 10};
    }

    // The popup that is up, once it is; none after a while.
    static HWND WaitForPopup()
    {
        PumpUntil([] { return VisibleHelpPopup() != nullptr; });
        return VisibleHelpPopup();
    }

    void ExpectPopupAt(HWND popup, POINT topCentre) const
    {
        const RECT rect = ScreenRect(popup);
        EXPECT_EQ(rect.top, topCentre.y);
        EXPECT_EQ((rect.left + rect.right) / 2, topCentre.x);
        EXPECT_GT(rect.bottom, rect.top);
        EXPECT_GT(InkPixels(popup), 50) << "the popup shows no text";
    }

    std::size_t FreeUpsAsked() const
    {
        std::size_t count = 0;
        for (const auto& [message, wParam] : Engine.Messages) {
            if (message == WM_ENGINE_FREE) ++count;
        }
        return count;
    }
};

}  // namespace

TEST_F(ContextHelpTest, HelpOnTheFreeUpButtonShowsItsTextBelowItAndFreesNothing)
{
    TfrmMain& window = OpenInContextHelp();
    Engine.Messages.clear();
    EXPECT_EQ(VisibleHelpPopup(), nullptr) << "context help mode alone shows nothing";

    Press(L"manual_activate");
    const HWND popup = WaitForPopup();
    ASSERT_NE(popup, nullptr) << "no help popup for the free-up button";
    EXPECT_EQ(WindowText(popup), ExpectedText(303));
    EXPECT_NE(WindowText(popup), NoHelpTopicText);
    ExpectPopupAt(popup, PopupPointBelow(L"manual_activate"));
    EXPECT_EQ(::GetWindow(popup, GW_OWNER), window.Handle());
    EXPECT_FALSE(window.ContextHelpMode());

    // The release ends the click the help took: no free-up, and the popup
    // stays up.
    Release(L"manual_activate");
    HandleQueued();
    EXPECT_EQ(FreeUpsAsked(), 0u) << "asking for help started a free-up";
    EXPECT_EQ(VisibleHelpPopup(), popup);
    EXPECT_EQ(WindowText(popup), ExpectedText(303));

    // The next click anywhere in the window takes the popup away; one on
    // the chart does nothing else.
    RECT chart = ScreenRect(window.PerformanceChart().Handle());
    ClickOnScreen(POINT{(chart.left + chart.right) / 2, (chart.top + chart.bottom) / 2});
    EXPECT_TRUE(PumpUntil([] { return VisibleHelpPopup() == nullptr; })) << "the popup stayed after the next click";
    HandleQueued();
    EXPECT_EQ(FreeUpsAsked(), 0u);
    EXPECT_FALSE(window.ContextHelpMode());
    EXPECT_EQ(HelpPopups().size(), 1u) << "hidden, kept for the next request";

    // Out of context help the button frees up again.
    Click(L"manual_activate");
    HandleQueued();
    EXPECT_EQ(FreeUpsAsked(), 1u);
    EXPECT_EQ(VisibleHelpPopup(), nullptr);
}

TEST_F(ContextHelpTest, HelpOnTheChartShowsTheChartsTextBelowIt)
{
    TfrmMain& window = OpenInContextHelp();
    Engine.Messages.clear();
    const HWND chart = window.PerformanceChart().Handle();
    ::PostMessageA(chart, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ::PostMessageA(chart, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    const HWND popup = WaitForPopup();
    ASSERT_NE(popup, nullptr) << "no help popup for the chart";
    EXPECT_EQ(WindowText(popup), ExpectedText(101));
    ExpectPopupAt(popup, PopupPointBelow(L"chart"));
    EXPECT_FALSE(window.ContextHelpMode());
    HandleQueued();
    EXPECT_EQ(FreeUpsAsked(), 0u);

    // A key takes it away as well.
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
    EXPECT_TRUE(PumpUntil([] { return VisibleHelpPopup() == nullptr; }));
    EXPECT_TRUE(window.Exists()) << "the key for the popup reached the window";
}

TEST_F(ContextHelpTest, EachRequestReplacesTheTextOfTheOnePopup)
{
    TfrmMain& window = OpenInContextHelp();
    Press(L"manual_activate");
    const HWND first = WaitForPopup();
    ASSERT_NE(first, nullptr);
    Release(L"manual_activate");
    HandleQueued();
    const std::string manualText = ExpectedText(303);
    ASSERT_EQ(WindowText(first), manualText);

    // While it is still up, help on the chart.
    Click(L"contexthelp");
    ASSERT_TRUE(window.ContextHelpMode());
    const HWND chart = window.PerformanceChart().Handle();
    ::PostMessageA(chart, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ::PostMessageA(chart, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    ASSERT_TRUE(PumpUntil([&] {
        const HWND popup = VisibleHelpPopup();
        return popup && WindowText(popup) != manualText;
    }));
    const HWND second = VisibleHelpPopup();
    EXPECT_EQ(second, first) << "one popup window serves every request";
    EXPECT_EQ(WindowText(second), ExpectedText(101));
    ExpectPopupAt(second, PopupPointBelow(L"chart"));
    EXPECT_EQ(HelpPopups().size(), 1u);
}

TEST_F(ContextHelpTest, ThePopupGoesWithTheWindow)
{
    OpenInContextHelp();
    Press(L"manual_activate");
    ASSERT_NE(WaitForPopup(), nullptr);
    Release(L"manual_activate");
    HandleQueued();

    // The window closes while its help is up, as when the program ends.
    Click(L"close");
    EXPECT_TRUE(PumpUntil([this] { return !Window->Exists(); }));
    EXPECT_TRUE(HelpPopups().empty()) << "the popup outlived its window";
    HandleQueued();
    EXPECT_EQ(FreeUpsAsked(), 0u);
}

}  // namespace mainwindowtest
