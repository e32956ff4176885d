// Skinning real windows under the real window manager and GDI: shape, style
// and size while skinned and after, what is drawn, hit-testing, presses,
// clicks, scroll bar drags and steps, animations on the timer, and handlers
// that take the skin off or destroy the window in the middle of an event.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/TSkin.h"
#include "skin/TSkinLabel.h"
#include "tests/skin/SkinTestFiles.h"
#include "toolkit/Application.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/Error.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/Handles.h"
#include "toolkit/Window.h"

namespace {

using namespace skin;
using skintest::ErrorOf;

const char* kSkin = R"(
image face { fill = #102030 }
image btn { fill = #00ff00 }
image btn_hot { fill = #00c000 }
image btn_down { fill = #008000 }
image btn_pressed { fill = #ff0000 }
image thumb { fill = #0000ff }
image track { fill = #808080 }
window Main {
  size = 300 200
  shape = round 12
  color = #102030
  face = face
  button ok { rect = 10 10 110 40; normal = btn; hover = btn_hot; down = btn_down }
  static label { rect = 10 50 140 70; color = #112233 }
  static grip { rect = 150 50 290 70; drag = yes }
  scrollbar bar {
    rect = 10 80 210 100
    min = 0; max = 109; page = 10; step = 1
    track = track; thumb = thumb; thumb-size = 20
    arrow-size = 20; arrow-dec = btn; arrow-inc = btn; arrow-inc-down = btn_down
  }
  panel page {
    rect = 0 110 right bottom
    visible = no
    animation page_show { step = 0 0 100 150 }
    button inner { rect = 10 10 60 30; normal = btn }
  }
}
window Framed { default = yes; frame = keep; color = #abcdef }
image arrow { fill = #ffff00 }
image arrow_down { fill = #ff8000 }
window Tall {
  size = 120 300
  color = #102030
  // A triangle over the top and a band across the bottom, with an opening
  // between them.
  polygon = 0 0 right 0 center bottom-100
  polygon = 0 bottom-50 right bottom-50 right bottom 0 bottom
  scrollbar vbar {
    rect = 50 10 70 250
    min = 0; max = 109; page = 10; step = 2
    track = track; thumb = thumb; thumb-size = 20
    arrow-size = 20; arrow-dec = arrow; arrow-inc = arrow; arrow-dec-down = arrow_down; arrow-inc-down = arrow_down
  }
}
)";

const COLORREF kFace = RGB(0x10, 0x20, 0x30);
const COLORREF kGreen = RGB(0, 0xFF, 0);

class Host : public toolkit::Window {
public:
    Host()
    {
        CreateArgs args;
        args.className = "KalvoraSkinTestHost";
        args.caption = "skin test";
        args.style = WS_OVERLAPPEDWINDOW;
        RECT frame{0, 0, 200, 150};
        ::AdjustWindowRectEx(&frame, args.style, FALSE, 0);
        args.x = 100;
        args.y = 100;
        args.width = frame.right - frame.left;
        args.height = frame.bottom - frame.top;
        // Left hidden: everything here works on hidden windows, and showing
        // a framed window costs seconds under Wine without a window manager.
        Create(args);
    }
};

SIZE ClientSize(HWND window)
{
    RECT r{};
    ::GetClientRect(window, &r);
    return SIZE{r.right, r.bottom};
}

// Renders the window's client area (the skin answers WM_PRINTCLIENT) into a
// bitmap of our own and reads pixels from it.
class Snapshot {
public:
    explicit Snapshot(HWND window) : window_(window)
    {
        SIZE size = ClientSize(window);
        dc_.Reset(::CreateCompatibleDC(nullptr));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = size.cx;
        info.bmiHeader.biHeight = -size.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        toolkit::SelectGuard guard(dc_.Get(), bitmap_.Get());
        ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_.Get()), PRF_CLIENT);
        ::GdiFlush();
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) pixels_.push_back(static_cast<uint32_t*>(bits)[y * size.cx + x] & 0xFFFFFF);
        width_ = size.cx;
    }
    COLORREF At(int x, int y) const
    {
        uint32_t p = pixels_.at(static_cast<std::size_t>(y * width_ + x));
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    HWND window_;
    toolkit::UniqueMemoryDC dc_;
    toolkit::UniqueBitmap bitmap_;
    std::vector<uint32_t> pixels_;
    int width_ = 0;
};

std::string Hex(COLORREF c)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

class SkinWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        skin_.LoadSkinFromText(kSkin, L"window.skn");
        skin_.OnSkinEvent = [this](ISkinObject* s, const std::wstring& e) {
            events_.push_back(s->Name() + L" " + e);
            if (onClick_ && e == L"OnClick") onClick_(s);
        };
        skin_.OnMouseDown = [this](ISkinObject* s, int b, int x, int y) {
            events_.push_back(L"down " + s->Name() + L" " + std::to_wstring(b) + L" " + std::to_wstring(x) + L"," + std::to_wstring(y));
        };
        skin_.OnMouseUp = [this](ISkinObject* s, int b, int, int) { events_.push_back(L"up " + s->Name() + L" " + std::to_wstring(b)); };
        skin_.OnScrollTrack = [this](ISkinObject* s, int p) { events_.push_back(L"track " + s->Name() + L" " + std::to_wstring(p)); };
        skin_.OnScroll = [this](ISkinObject* s, int p) { events_.push_back(L"scroll " + s->Name() + L" " + std::to_wstring(p)); };
    }
    void Apply() { skin_.ApplySkinWindow(host_.Handle(), L"Main"); }
    ISkinObject* Root() { return skin_.GetWindowObject(host_.Handle()); }
    ISkinObject* Find(const wchar_t* name) { return Root()->FindObject(name); }
    void Send(UINT message, int x, int y, WPARAM keys = 0) { ::SendMessageA(host_.Handle(), message, keys, MAKELPARAM(x, y)); }
    void Click(int x, int y)
    {
        Send(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        Send(WM_LBUTTONUP, x, y);
    }
    std::vector<std::wstring> TakeEvents() { return std::exchange(events_, {}); }

    Host host_;
    TSkin skin_;
    std::vector<std::wstring> events_;
    std::function<void(ISkinObject*)> onClick_;
};

TEST_F(SkinWindow, FramelessSkinTakesSizeShapeAndStyleAndRemoveGivesThemBack)
{
    const HWND w = host_.Handle();
    const LONG_PTR style = ::GetWindowLongPtrA(w, GWL_STYLE);
    Apply();
    EXPECT_EQ(ClientSize(w).cx, 300);
    EXPECT_EQ(ClientSize(w).cy, 200);
    const LONG_PTR skinned = ::GetWindowLongPtrA(w, GWL_STYLE);
    EXPECT_EQ(skinned & WS_CAPTION, 0) << "the skin draws the whole face";
    EXPECT_NE(skinned & WS_CLIPCHILDREN, 0) << "child windows stay above the face";
    toolkit::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(::GetWindowRgn(w, region.Get()), COMPLEXREGION) << "rounded corners";
    EXPECT_EQ(Root()->Name(), L"Main");
    EXPECT_NE(dynamic_cast<ISkinWindow*>(Root()), nullptr);

    skin_.RemoveSkin(w);
    EXPECT_EQ(::GetWindowLongPtrA(w, GWL_STYLE), style);
    EXPECT_EQ(ClientSize(w).cx, 200);
    EXPECT_EQ(ClientSize(w).cy, 150);
    EXPECT_EQ(::GetWindowRgn(w, region.Get()), ERROR) << "no shape left";
    EXPECT_EQ(ErrorOf([&] { skin_.GetWindowObject(w); }), "the window is not skinned by this skin");
    EXPECT_EQ(ErrorOf([&] { skin_.RemoveSkin(w); }), "the window is not skinned by this skin");
}

TEST_F(SkinWindow, RemoveKeepsWhetherTheWindowIsShownNow)
{
    // Skinned while hidden, shown afterwards (as a window is that loads its
    // skin before its first show): taking the skin off must not hide it, and
    // the mirror case must not show it.
    const HWND w = host_.Handle();
    const bool shownAtFirst = ::IsWindowVisible(w) != FALSE;
    for (const bool showInBetween : {true, false}) {
        SCOPED_TRACE(showInBetween ? "shown while skinned" : "hidden while skinned");
        ::ShowWindow(w, showInBetween ? SW_HIDE : SW_SHOWNA);
        Apply();
        ::ShowWindow(w, showInBetween ? SW_SHOWNA : SW_HIDE);
        skin_.RemoveSkin(w);
        EXPECT_EQ(::IsWindowVisible(w) != FALSE, showInBetween);
    }
    ::ShowWindow(w, shownAtFirst ? SW_SHOWNA : SW_HIDE);
}

TEST_F(SkinWindow, DefaultWindowWithItsOwnFrameKeepsFrameAndSize)
{
    const LONG_PTR style = ::GetWindowLongPtrA(host_.Handle(), GWL_STYLE);
    skin_.ApplySkin(host_.Handle());
    EXPECT_EQ(Root()->Name(), L"Framed");
    EXPECT_EQ(::GetWindowLongPtrA(host_.Handle(), GWL_STYLE), style | WS_CLIPCHILDREN);
    EXPECT_EQ(ClientSize(host_.Handle()).cx, 200);
    EXPECT_EQ(Snapshot(host_.Handle()).At(100, 100), RGB(0xAB, 0xCD, 0xEF));
}

TEST_F(SkinWindow, UnknownSkinWindowOrNoWindowFailsAndChangesNothing)
{
    const LONG_PTR style = ::GetWindowLongPtrA(host_.Handle(), GWL_STYLE);
    EXPECT_EQ(ErrorOf([&] { skin_.ApplySkinWindow(host_.Handle(), L"main"); }), "the skin has no window \"main\"");
    EXPECT_EQ(ErrorOf([&] { skin_.ApplySkinWindow(nullptr, L"Main"); }), "there is no window to skin");
    EXPECT_EQ(::GetWindowLongPtrA(host_.Handle(), GWL_STYLE), style);
    EXPECT_EQ(ErrorOf([&] { skin_.GetWindowObject(host_.Handle()); }), "the window is not skinned by this skin");
}

TEST_F(SkinWindow, ReapplyingAndRemovingRestoresTheOriginalNotTheSkinnedStyle)
{
    const LONG_PTR style = ::GetWindowLongPtrA(host_.Handle(), GWL_STYLE);
    Apply();
    Apply();
    skin_.ApplySkin(host_.Handle());
    skin_.RemoveSkin(host_.Handle());
    EXPECT_EQ(::GetWindowLongPtrA(host_.Handle(), GWL_STYLE), style);
    EXPECT_EQ(ClientSize(host_.Handle()).cx, 200);
}

TEST_F(SkinWindow, FaceButtonStatesAndLooksAreDrawn)
{
    Apply();
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(250, 150)), Hex(kFace));
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 20)), Hex(kGreen));
    Send(WM_MOUSEMOVE, 20, 20);
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 20)), "#00c000") << "hover";
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 20)), "#008000") << "held down";
    Send(WM_MOUSEMOVE, 250, 150, MK_LBUTTON);
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 20)), "#00ff00") << "held down but the mouse left it";
    Send(WM_LBUTTONUP, 250, 150);

    // The pressed look a program gives: renamed sections, drawn at once.
    auto* ok = dynamic_cast<ISkinButton*>(Find(L"ok"));
    for (int state = 1; state <= 3; ++state) {
        SkinButtonState s = ok->GetState(state);
        s.Section.Name += L"_pressed";
        ok->SetState(state, s);
    }
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 20)), "#ff0000");
    // A section the skin lacks falls back to the name without the suffix.
    SkinButtonState s = ok->GetState(1);
    s.Section.Name = L"btn_checked";
    ok->SetState(1, s);
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 20)), Hex(kGreen));
}

TEST_F(SkinWindow, ClickFiresOnReleaseInsideTheElementItWentDownOn)
{
    Apply();
    Click(20, 20);
    EXPECT_EQ(TakeEvents(), (std::vector<std::wstring>{L"ok OnMouseDown", L"down ok 1 20,20", L"ok OnMouseUp", L"up ok 1", L"ok OnClick"}));

    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 200, 20, MK_LBUTTON);
    Send(WM_LBUTTONUP, 200, 20);
    EXPECT_EQ(TakeEvents(), (std::vector<std::wstring>{L"ok OnMouseDown", L"down ok 1 20,20", L"ok OnMouseUp", L"up ok 1"}))
        << "released elsewhere: no click";

    Send(WM_RBUTTONDOWN, 30, 30, MK_RBUTTON);
    Send(WM_RBUTTONUP, 30, 30);
    EXPECT_EQ(TakeEvents(), (std::vector<std::wstring>{L"ok OnMouseDown", L"down ok 2 30,30", L"ok OnMouseUp", L"up ok 2"}))
        << "the right button clicks nothing";

    Click(20, 60);
    EXPECT_EQ(TakeEvents().back(), L"label OnClick");
    Send(WM_LBUTTONUP, 20, 20);
    EXPECT_TRUE(TakeEvents().empty()) << "a release without a press";
}

TEST_F(SkinWindow, HiddenElementsAreNotHitAndAnimationsRunOnTheTimer)
{
    Apply();
    Click(20, 125);
    EXPECT_EQ(TakeEvents().front(), L"Main OnMouseDown") << "the hidden page's button is not there";
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 125)), Hex(kFace));

    auto* page = dynamic_cast<ISkinAnimations*>(Find(L"page"));
    page->Play(0);
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 125)), Hex(kFace)) << "a 150 ms fade has not started drawing yet";
    const bool shown = toolkit::Application::Instance().ProcessMessagesUntil(
        [&] { return Snapshot(host_.Handle()).At(20, 125) == kGreen; }, 3000);
    EXPECT_TRUE(shown) << "the fade ends fully opaque";
    Click(20, 125);
    EXPECT_EQ(TakeEvents().front(), L"inner OnMouseDown");
}

TEST_F(SkinWindow, ThumbDragReportsEachNewPositionOnceAndEndsWithOneScroll)
{
    Apply();
    auto* bar = dynamic_cast<ISkinScrollBar*>(Find(L"bar"));
    // Track 30..190, thumb 20: 140 pixels of travel for positions 0..100.
    Send(WM_LBUTTONDOWN, 40, 90, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 54, 90, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 54, 95, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 68, 90, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 400, 90, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 500, 90, MK_LBUTTON);
    Send(WM_LBUTTONUP, 500, 90);
    EXPECT_EQ(TakeEvents(), (std::vector<std::wstring>{L"bar OnMouseDown", L"down bar 1 40,90", L"track bar 10", L"track bar 20",
                                                        L"track bar 100", L"bar OnMouseUp", L"up bar 1", L"scroll bar 100"}));
    EXPECT_EQ(bar->GetPosition(), 100);
}

TEST_F(SkinWindow, ArrowsStepByStepAndThePageAreaByPage)
{
    Apply();
    auto* bar = dynamic_cast<ISkinScrollBar*>(Find(L"bar"));
    bar->SetPosition(50);  // thumb at 100..120
    struct Case {
        int x;
        int expected;
    };
    const Case cases[] = {{200, 51}, {20, 50}, {180, 60}, {35, 50}, {35, 40}};
    for (const Case& c : cases) {
        Click(c.x, 90);
        EXPECT_EQ(bar->GetPosition(), c.expected) << "click at " << c.x;
        std::vector<std::wstring> events = TakeEvents();
        EXPECT_EQ(std::count(events.begin(), events.end(), L"scroll bar " + std::to_wstring(c.expected)), 1);
        EXPECT_EQ(std::count(events.begin(), events.end(), L"bar OnClick"), 0) << "scroll bars do not click";
    }
    bar->SetPosition(0);
    Click(20, 90);
    EXPECT_TRUE(std::none_of(events_.begin(), events_.end(), [](const std::wstring& e) { return e.rfind(L"scroll", 0) == 0; }))
        << "no scroll event when the position cannot move";
}

// Screen point of a client point of the host.
POINT OnScreen(HWND window, int x, int y)
{
    POINT p{x, y};
    ::ClientToScreen(window, &p);
    return p;
}

// The cursor is really moved, or the test cannot run here.
bool MoveCursor(POINT p)
{
    ::SetCursorPos(p.x, p.y);
    POINT now{};
    ::GetCursorPos(&now);
    return now.x == p.x && now.y == p.y;
}

// Moves the mouse as the user does: the system sends the moves (and tracks
// leaves) itself.
bool MoveMouse(POINT p)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((p.x * 65536LL + width / 2) / width);
    input.mi.dy = static_cast<LONG>((p.y * 65536LL + height / 2) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (::SendInput(1, &input, sizeof(input)) != 1) return false;
    return toolkit::Application::Instance().ProcessMessagesUntil(
        [&] {
            POINT now{};
            ::GetCursorPos(&now);
            return now.x == p.x && now.y == p.y;
        },
        5000);
}

TEST_F(SkinWindow, WheelMovesTheBarUnderTheMouseByAStepPerNotch)
{
    Apply();
    auto* bar = dynamic_cast<ISkinScrollBar*>(Find(L"bar"));
    ASSERT_NE(bar, nullptr);
    bar->SetStep(3);
    struct Case {
        std::vector<int> deltas;  // one posted message each
        int x, y;                 // where the mouse is (client)
        int from, expected;
        int scrolls;              // OnScroll events
    };
    const Case cases[] = {
        {{120}, 100, 90, 50, 47, 1},        // away from the user: lower
        {{-240}, 100, 90, 50, 56, 1},       // two notches in one message
        {{60, 60}, 100, 90, 50, 47, 1},     // half notches add up
        {{120}, 20, 20, 50, 50, 0},         // over a button: no bar moves
        {{120}, 100, 150, 50, 50, 0},       // over the bare face
        {{360}, 100, 90, 4, 0, 1},          // stops at the ends
        {{120}, 100, 90, 0, 0, 0},
        {{-120 * 50}, 100, 90, 60, 100, 1},
        {{40, -40, 40}, 100, 90, 50, 50, 0},  // last: it leaves a part of a notch
    };
    for (const Case& c : cases) {
        bar->SetPosition(c.from);
        TakeEvents();
        const POINT at = OnScreen(host_.Handle(), c.x, c.y);
        for (int delta : c.deltas)
            ::PostMessageA(host_.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), MAKELPARAM(at.x, at.y));
        toolkit::Application::Instance().ProcessMessages();
        EXPECT_EQ(bar->GetPosition(), c.expected) << "from " << c.from << " at " << c.x << "," << c.y;
        const std::vector<std::wstring> events = TakeEvents();
        EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const std::wstring& e) { return e.rfind(L"scroll bar", 0) == 0; }), c.scrolls)
            << "from " << c.from << " at " << c.x << "," << c.y;
        if (c.scrolls) {
            EXPECT_EQ(events.back(), L"scroll bar " + std::to_wstring(c.expected));
        }
    }
}

TEST_F(SkinWindow, HeldArrowRepeatsUntilTheEndAndPausesWhileTheMouseIsOff)
{
    Apply();
    auto* bar = dynamic_cast<ISkinScrollBar*>(Find(L"bar"));
    ASSERT_NE(bar, nullptr);
    bar->SetPosition(80);
    TakeEvents();
    auto& app = toolkit::Application::Instance();
    // The increase arrow is 190..210 x 80..100; the repeat follows the real
    // cursor, as it does when the user holds the button still.
    if (!MoveCursor(OnScreen(host_.Handle(), 200, 90))) GTEST_SKIP() << "this display does not move the cursor";
    ::PostMessageA(host_.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 90));
    app.ProcessMessages();
    EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(200, 90)), "#008000") << "the arrow is held";
    ASSERT_TRUE(app.ProcessMessagesUntil([&] { return bar->GetPosition() == 100; }, 10000)) << "at " << bar->GetPosition();
    std::vector<std::wstring> events = TakeEvents();
    std::vector<std::wstring> expected{L"bar OnMouseDown", L"down bar 1 200,90"};
    for (int p = 81; p <= 100; ++p) expected.push_back(L"scroll bar " + std::to_wstring(p));
    EXPECT_EQ(events, expected) << "one step at the press, then one per repeat, each position once";

    // Away from the arrow the repeat waits; back on it, it goes on.
    bar->SetPosition(10);
    if (!MoveCursor(OnScreen(host_.Handle(), 200, 150))) GTEST_SKIP() << "the cursor stopped moving";
    EXPECT_TRUE(app.ProcessMessagesUntil([&] { return Snapshot(host_.Handle()).At(200, 90) == RGB(0, 0xFF, 0); }, 5000))
        << "the arrow loses its held look while the mouse is off it";
    const int paused = bar->GetPosition();
    TakeEvents();
    ASSERT_TRUE(MoveCursor(OnScreen(host_.Handle(), 200, 90)));
    EXPECT_TRUE(app.ProcessMessagesUntil([&] { return bar->GetPosition() > paused; }, 5000));
    ::PostMessageA(host_.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(200, 90));
    app.ProcessMessages();
    events = TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), L"up bar 1") << "a release ends the repeat with no click";
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(SkinWindow, MouseLeavingTheWindowTakesTheHoverLookAwayEachTime)
{
    Apply();
    auto& app = toolkit::Application::Instance();
    const HWND w = host_.Handle();
    const POINT away{5, 5};
    const POINT overOk = OnScreen(w, 20, 20);
    if (!MoveMouse(away)) GTEST_SKIP() << "this display does not move the mouse";
    // The system reports leaves only for a window that is on the screen.
    ::ShowWindow(w, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(app.ProcessMessagesUntil([&] { return ::WindowFromPoint(overOk) == w; }, 10000)) << "the window does not show";
    for (int round = 0; round < 2; ++round) {
        // A move that arrives when the cursor has already gone, as the last
        // one of a drag released outside: nothing can track a leave for it.
        Send(WM_MOUSEMOVE, 20, 60);
        ASSERT_TRUE(MoveMouse(overOk));
        EXPECT_TRUE(app.ProcessMessagesUntil([&] { return Snapshot(w).At(20, 20) == RGB(0, 0xC0, 0); }, 5000)) << "hover, round " << round;
        ASSERT_TRUE(MoveMouse(away));
        EXPECT_TRUE(app.ProcessMessagesUntil([&] { return Snapshot(w).At(20, 20) == kGreen; }, 5000))
            << "the leave gives the normal look back, round " << round;
    }
    // A held button keeps its look through a leave: the press owns it.
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    ::PostMessageA(w, WM_MOUSELEAVE, 0, 0);
    app.ProcessMessages();
    EXPECT_EQ(Hex(Snapshot(w).At(20, 20)), "#008000");
    Send(WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(TakeEvents().back(), L"ok OnClick");
}

TEST_F(SkinWindow, VerticalBarRunsTopToBottomForArrowsPagesDragAndWheel)
{
    skin_.ApplySkinWindow(host_.Handle(), L"Tall");
    auto* bar = dynamic_cast<ISkinScrollBar*>(Find(L"vbar"));
    ASSERT_NE(bar, nullptr);
    // Arrows 10..30 and 230..250, track 30..230 with a thumb of 20: 180
    // pixels of travel for positions 0..100.
    struct Case {
        int from, y, expected;
    };
    const Case clicks[] = {{50, 240, 52}, {50, 20, 48}, {50, 225, 60}, {50, 35, 40}, {0, 20, 0}, {100, 240, 100}};
    for (const Case& c : clicks) {
        bar->SetPosition(c.from);
        Click(60, c.y);
        EXPECT_EQ(bar->GetPosition(), c.expected) << "from " << c.from << ", click at y " << c.y;
    }
    // The thumb is drawn where the position says: at 50 it covers 120..140.
    bar->SetPosition(50);
    Snapshot shot(host_.Handle());
    EXPECT_EQ(Hex(shot.At(60, 119)), "#808080");
    EXPECT_EQ(Hex(shot.At(60, 120)), "#0000ff");
    EXPECT_EQ(Hex(shot.At(60, 139)), "#0000ff");
    EXPECT_EQ(Hex(shot.At(60, 140)), "#808080");
    EXPECT_EQ(Hex(shot.At(60, 20)), "#ffff00") << "the top arrow";

    TakeEvents();
    Send(WM_LBUTTONDOWN, 60, 125, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 200, 143, MK_LBUTTON);  // sideways does not count, 18 pixels down are 10
    Send(WM_MOUSEMOVE, 60, 125, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 60, 0, MK_LBUTTON);
    Send(WM_LBUTTONUP, 60, 0);
    EXPECT_EQ(TakeEvents(), (std::vector<std::wstring>{L"vbar OnMouseDown", L"down vbar 1 60,125", L"track vbar 60", L"track vbar 50",
                                                        L"track vbar 0", L"vbar OnMouseUp", L"up vbar 1", L"scroll vbar 0"}));

    bar->SetPosition(50);
    const POINT at = OnScreen(host_.Handle(), 60, 180);
    ::PostMessageA(host_.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(at.x, at.y));
    toolkit::Application::Instance().ProcessMessages();
    EXPECT_EQ(bar->GetPosition(), 52) << "the wheel towards the user moves down";
}

TEST_F(SkinWindow, PressHeldOnTheTrackPagesUntilTheThumbReachesTheMouse)
{
    skin_.ApplySkinWindow(host_.Handle(), L"Tall");
    auto* bar = dynamic_cast<ISkinScrollBar*>(Find(L"vbar"));
    ASSERT_NE(bar, nullptr);
    bar->SetPosition(0);  // thumb 30..50
    TakeEvents();
    if (!MoveCursor(OnScreen(host_.Handle(), 60, 200))) GTEST_SKIP() << "this display does not move the cursor";
    ::PostMessageA(host_.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 200));
    auto& app = toolkit::Application::Instance();
    EXPECT_TRUE(app.ProcessMessagesUntil([&] { return Snapshot(host_.Handle()).At(60, 200) == RGB(0, 0, 0xFF); }, 10000))
        << "the thumb comes to the mouse; at " << bar->GetPosition();
    // Pages of 10: 0, 10, ... 90 puts the thumb at 192..212, over y 200.
    EXPECT_EQ(bar->GetPosition(), 90);
    ::PostMessageA(host_.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(60, 200));
    app.ProcessMessages();
    std::vector<std::wstring> expected{L"vbar OnMouseDown", L"down vbar 1 60,200"};
    for (int p = 10; p <= 90; p += 10) expected.push_back(L"scroll vbar " + std::to_wstring(p));
    expected.insert(expected.end(), {L"vbar OnMouseUp", L"up vbar 1"});
    EXPECT_EQ(TakeEvents(), expected);
}

TEST_F(SkinWindow, PolygonsShapeTheWindowAndFollowItsSize)
{
    skin_.ApplySkinWindow(host_.Handle(), L"Tall");
    const HWND w = host_.Handle();
    toolkit::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    struct Probe {
        int x, y;
        bool inside;
    };
    auto check = [&](const char* what, std::initializer_list<Probe> probes) {
        ASSERT_EQ(::GetWindowRgn(w, region.Get()), COMPLEXREGION) << what;
        for (const Probe& p : probes)
            EXPECT_EQ(::PtInRegion(region.Get(), p.x, p.y) != FALSE, p.inside) << what << ": " << p.x << "," << p.y;
    };
    // 120 x 300: the triangle (0,0) (120,0) (60,200); the band 250..300.
    check("120 x 300", {{1, 1, true}, {118, 1, true}, {60, 190, true}, {10, 190, false}, {60, 220, false},
                        {1, 251, true}, {119, 299, true}, {60, 249, false}, {60, 300, false}, {120, 260, false}});
    // The outline is given in anchors: a larger window moves it along.
    RECT r{};
    ::GetWindowRect(w, &r);
    ::SetWindowPos(w, nullptr, 0, 0, 200, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(ClientSize(w).cx, 200);
    check("200 x 400", {{198, 1, true}, {100, 290, true}, {100, 310, false}, {1, 351, true}, {199, 399, true}, {100, 349, false},
                        {1, 251, false}});
}

TEST_F(SkinWindow, DragCutShortByLostCaptureStillEndsWithOneScroll)
{
    Apply();
    Send(WM_LBUTTONDOWN, 40, 90, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 54, 90, MK_LBUTTON);
    ::ReleaseCapture();
    Send(WM_MOUSEMOVE, 120, 90, MK_LBUTTON);
    Send(WM_LBUTTONUP, 120, 90);
    std::vector<std::wstring> events = TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), L"scroll bar 10"), 1);
    EXPECT_EQ(events.back(), L"scroll bar 10") << "nothing after the drag ended";
}

TEST_F(SkinWindow, HandlerMayTakeTheSkinOffDuringItsEvent)
{
    Apply();
    const LONG_PTR unskinnedStyle = ::GetWindowLongPtrA(host_.Handle(), GWL_STYLE) | WS_CAPTION;
    onClick_ = [this](ISkinObject*) { skin_.RemoveSkin(host_.Handle()); };
    Click(20, 20);
    EXPECT_EQ(TakeEvents().back(), L"ok OnClick");
    EXPECT_EQ(::GetWindowLongPtrA(host_.Handle(), GWL_STYLE) & WS_CAPTION, unskinnedStyle & WS_CAPTION);
    Click(20, 20);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(SkinWindow, HandlerMayDestroyTheWindowDuringItsEvent)
{
    Apply();
    onClick_ = [this](ISkinObject*) { host_.Destroy(); };
    Click(20, 20);
    EXPECT_FALSE(host_.Exists());
    EXPECT_EQ(ErrorOf([&] { skin_.RemoveSkin(nullptr); }), "the window is not skinned by this skin");
}

TEST_F(SkinWindow, AHandlerThatThrowsIsShownOnceAndTheWindowGoesOn)
{
    std::vector<std::string> boxes;
    toolkit::SetErrorBoxHandler([&](const std::string& text) { boxes.push_back(text); });
    Apply();
    onClick_ = [](ISkinObject*) { throw toolkit::Error("Cannot apply the setting"); };
    Click(20, 20);
    Click(20, 20);  // the same failure again: no second box
    onClick_ = nullptr;
    Click(20, 20);
    toolkit::SetErrorBoxHandler({});
    EXPECT_EQ(boxes, (std::vector<std::string>{"Cannot apply the setting"}));
    EXPECT_EQ(TakeEvents().back(), L"ok OnClick") << "the window still works";
}

TEST_F(SkinWindow, WindowDestroyedWhileSkinnedIsForgotten)
{
    Apply();
    HWND gone = host_.Handle();
    host_.Destroy();
    EXPECT_EQ(ErrorOf([&] { skin_.GetWindowObject(gone); }), "the window is not skinned by this skin");
    skin_.UnloadSkin();
}

TEST_F(SkinWindow, SkinOutlivesUnloadUntilRemovedAndTheSkinObjectRestoresOnDestruction)
{
    const LONG_PTR style = ::GetWindowLongPtrA(host_.Handle(), GWL_STYLE);
    {
        TSkin other;
        other.LoadSkinFromText(kSkin, L"other.skn");
        other.ApplySkinWindow(host_.Handle(), L"Main");
        other.UnloadSkin();
        EXPECT_EQ(Hex(Snapshot(host_.Handle()).At(20, 20)), Hex(kGreen)) << "still drawn from the unloaded skin";
        EXPECT_EQ(other.GetWindowObject(host_.Handle())->Name(), L"Main");
    }
    EXPECT_EQ(::GetWindowLongPtrA(host_.Handle(), GWL_STYLE), style);
}

TEST_F(SkinWindow, DraggingAGripMovesTheWindowAndClicksNothing)
{
    Apply();
    RECT before{};
    ::GetWindowRect(host_.Handle(), &before);
    POINT start{before.left + 200, before.top + 60};
    ::SetCursorPos(start.x, start.y);
    Send(WM_LBUTTONDOWN, 200, 60, MK_LBUTTON);
    ::SetCursorPos(start.x + 30, start.y + 20);
    Send(WM_MOUSEMOVE, 230, 80, MK_LBUTTON);
    Send(WM_LBUTTONUP, 230, 80);
    RECT after{};
    ::GetWindowRect(host_.Handle(), &after);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    if (cursor.x != start.x + 30) GTEST_SKIP() << "this display does not move the cursor";
    EXPECT_EQ(after.left - before.left, 30);
    EXPECT_EQ(after.top - before.top, 20);
    std::vector<std::wstring> events = TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), L"grip OnClick"), 0);
}

TEST_F(SkinWindow, LabelDrawsOverTheSkinFaceOrItsParentsColour)
{
    Apply();
    TSkinLabel label;
    label.Create({host_.Handle(), 150, 120, 140, 60, 1});
    label.SetCaption(L"Hello there");
    EXPECT_EQ(label.Caption(), L"Hello there");
    EXPECT_NE(::GetWindowLongPtrA(host_.Handle(), GWL_STYLE) & WS_CLIPCHILDREN, 0);
    EXPECT_NE(::GetWindowLongPtrA(label.Handle(), GWL_STYLE) & WS_VISIBLE, 0);

    auto render = [&](HWND window) {
        Snapshot shot(window);
        int text = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 100; ++x)
                if (shot.At(x, y) != shot.At(139, 59)) ++text;
        return std::make_pair(shot.At(139, 59), text);
    };
    auto skinned = render(label.Handle());
    EXPECT_EQ(Hex(skinned.first), Hex(kFace)) << "the label's background is the face under it";
    EXPECT_GT(skinned.second, 10) << "and the caption is drawn on it";

    skin_.RemoveSkin(host_.Handle());
    auto plain = render(label.Handle());
    EXPECT_EQ(Hex(plain.first), Hex(::GetSysColor(COLOR_BTNFACE)));
    EXPECT_GT(plain.second, 10);
}

// A process gets a limited number of GDI objects (about 65 000 under Wine,
// 10 000 by default on Windows) and creation fails past that. Use up all but
// a few hundred, then run more cycles than that of everything that creates
// objects (fonts, drawing buffer, window shape): if any cycle kept just one
// object, the later cycles could no longer load or draw.
TEST_F(SkinWindow, LoadApplyPaintRemoveCyclesKeepNoGdiObject)
{
    std::string text = kSkin;
    for (int i = 0; i < 4; ++i) text += "font f" + std::to_string(i) + " { size = " + std::to_string(8 + i) + " }\n";
    toolkit::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 300, -200, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    toolkit::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    toolkit::SelectGuard guard(dc.Get(), bitmap.Get());

    std::vector<toolkit::UniqueRegion> filler;
    while (filler.size() < 300000) {
        toolkit::UniqueRegion region(::CreateRectRgn(0, 0, 1, 1));
        if (!region) break;
        filler.push_back(std::move(region));
    }
    ASSERT_LT(filler.size(), 300000u) << "this system sets no limit to test against";
    filler.resize(filler.size() - 200);  // room for 200 objects

    for (int cycle = 0; cycle < 400; ++cycle) {
        TSkin skin;
        ASSERT_EQ(ErrorOf([&] { skin.LoadSkinFromText(text, L"cycle.skn"); }), "(no error)") << "cycle " << cycle;
        skin.ApplySkinWindow(host_.Handle(), L"Main");
        ::SetPixel(dc.Get(), 20, 20, RGB(1, 2, 3));
        ::SendMessageA(host_.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
        ASSERT_EQ(Hex(::GetPixel(dc.Get(), 20, 20)), Hex(kGreen)) << "cycle " << cycle;
        skin.RemoveSkin(host_.Handle());
    }
}

}  // namespace
