// The main window with the real default skin, real dialogs and mouse input
// at the rectangles the skin gives its elements: the skin and its fallback
// view, switching skins, pages and their animation batches, context help,
// the status line, hostile skins, and the window's frame, icon and position.
#include "tests/ui/MainWindowTestSupport.h"

#include "engine/uMessages.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/Handles.h"

#include <cstdlib>
#include <optional>

using namespace mainwindowtest;

namespace {

constexpr char SkinNeededText[] =
    "Kalvora requires a skin file to show the main window. Please load a skin. If your skin is valid it will "
    "automatically show. If not please load a different skin.";

std::string SkinErrorText(const std::string& path)
{
    return "There was an error loading the skin (" + path + "). Please load a different skin.";
}

// A small skin of the tests' own: a chart, two page buttons, the skin switch,
// and a manual page whose opening takes 600 ms. It has no status line.
const char* kSlowSkin = R"(
image btn { fill = #c0c0c0 }
image card { fill = #ffffff }
window Kalvora {
  size = 400 300
  color = #e0e0e0
  static chart { rect = 10 10 390 150; image = card }
  button manual { rect = 10 160 100 190; text = "Manual"; normal = btn }
  button regular { rect = 110 160 200 190; text = "Regular"; normal = btn }
  button switch_skin { rect = 210 160 300 190; text = "Switch"; normal = btn }
  panel page_manual {
    rect = 10 200 390 290
    visible = no
    animation manual_show { step = 0 10 0 0; step = 0 0 100 300; step = 0 0 100 300 }
    animation manual_hide { step = 0 0 0 100 }
  }
}
)";

struct HostileSkin {
    const char* what;
    const char* text;
    bool loads;  // otherwise: the fallback view and the error box naming the file
};

const HostileSkin kHostileSkins[] = {
    {"no skin window \"Kalvora\"", "window Other { size = 300 200; static chart { rect = 0 0 100 100 } }", false},
    {"no element \"chart\"",
     "image b { fill = #808080 }\nwindow Kalvora { size = 300 200; button manual { rect = 0 0 50 20; normal = b } }", false},
    {"only the window and its chart", "window Kalvora { size = 300 200; static chart { rect = 0 0 100 100 } }", true},
    {"a page button that is a static",
     "window Kalvora { size = 300 200; static chart { rect = 0 0 100 100 }; static regular { rect = 0 120 100 150 } }",
     true},
    {"an amount text that is a button",
     "image b { fill = #808080 }\nwindow Kalvora { size = 300 200; static chart { rect = 0 0 100 100 }\n"
     "button manual_amount { rect = 0 120 100 150; normal = b } }",
     false},
    {"a scroll bar that is a static",
     "window Kalvora { size = 300 200; static chart { rect = 0 0 100 100 }; static regular_scroll { rect = 0 120 100 150 } }",
     false},
    {"a status line that is a button",
     "image b { fill = #808080 }\nwindow Kalvora { size = 300 200; static chart { rect = 0 0 100 100 }\n"
     "button StatusStatic { rect = 0 120 100 150; normal = b } }",
     false},
    {"no valid skin at all", "window Kalvora { size = 300 200; static chart { rect = 0 0 100 }", false},
};

void ExpectFallbackView(TfrmMain& window)
{
    EXPECT_FALSE(window.SkinLoaded());
    EXPECT_EQ(window.RootObject(), nullptr);
    const SIZE client = ClientSize(window.Handle());
    EXPECT_EQ(client.cx, 269);
    EXPECT_EQ(client.cy, 128);
    EXPECT_TRUE(::IsWindowVisible(window.SkinNeededLabel()));
    EXPECT_TRUE(::IsWindowVisible(window.LoadSkinButton()));
    EXPECT_FALSE(window.PerformanceChart().Visible());
    EXPECT_EQ(WindowText(window.SkinNeededLabel()), SkinNeededText);
    EXPECT_EQ(WindowText(window.LoadSkinButton()), "Load Skin");
    EXPECT_EQ(window.OpenDialog().Title, "Load Skin");
    EXPECT_EQ(WindowText(window.Handle()), "Kalvora Professional");
}

// Moves the mouse as the user does; false where the display does not.
bool MoveMouse(POINT p)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((p.x * 65536LL + width / 2) / width);
    input.mi.dy = static_cast<LONG>((p.y * 65536LL + height / 2) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (::SendInput(1, &input, sizeof(input)) != 1) return false;
    return PumpUntil([&] {
        POINT now{};
        ::GetCursorPos(&now);
        return now.x == p.x && now.y == p.y;
    });
}

void SendButton(DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
}

}  // namespace

// ---- the skin and the fallback view

TEST_F(MainWindowTest, TheDefaultSkinGivesTheSkinnedFace)
{
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    EXPECT_TRUE(ErrorBoxes.empty());
    ASSERT_NE(window.RootObject(), nullptr);
    const SIZE client = ClientSize(window.Handle());
    EXPECT_EQ(client.cx, 720);
    EXPECT_EQ(client.cy, 480);
    EXPECT_EQ(WindowText(window.Handle()), "Kalvora Professional");
    EXPECT_FALSE(::IsWindowVisible(window.SkinNeededLabel()));
    EXPECT_FALSE(::IsWindowVisible(window.LoadSkinButton()));
    EXPECT_EQ(window.CurrentPage(), 0);

    // The chart lies over "chart", in the skin's colours.
    TPerformanceChart& chart = window.PerformanceChart();
    EXPECT_TRUE(chart.Visible());
    RECT placed{};
    ::GetWindowRect(chart.Handle(), &placed);
    ::MapWindowPoints(HWND_DESKTOP, window.Handle(), reinterpret_cast<POINT*>(&placed), 2);
    const RECT element = ElementRect(L"chart");
    EXPECT_EQ(placed.left, element.left);
    EXPECT_EQ(placed.top, element.top);
    EXPECT_EQ(placed.right, element.right);
    EXPECT_EQ(placed.bottom, element.bottom);
    EXPECT_EQ(chart.Color(), 0x00FFFFFFu);
    EXPECT_EQ(chart.DataColor(), 0x00D84E1Du);
    EXPECT_EQ(chart.CPUColor(), 0x000677D9u);
    EXPECT_EQ(chart.AdjustColor(), 0x004AA316u);
    EXPECT_EQ(chart.AdjustColor2(), 0x002626DCu);
    EXPECT_EQ(chart.FontColor(), 0x0080726Bu);

    // Texts and pictures of the program, and an empty status line.
    auto* about = dynamic_cast<skin::ISkinStatic*>(Element(L"about_program_name"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->GetText(), L"Kalvora Professional");
    auto* header = dynamic_cast<skin::ISkinStatic*>(Element(L"header"));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->GetImageSection().Name, L"header_kalvora");
    ASSERT_NE(window.StatusElement(), nullptr);
    EXPECT_EQ(window.StatusElement()->GetText(), L"");
}

TEST_F(MainWindowTest, ChartScaleIsTheMachinesMemoryInMB)
{
    TfrmMain& window = Open();
    TPerformanceChart& chart = window.PerformanceChart();
    uint32_t maxY = 7;
    chart.OnGetMaxY(chart, maxY);
    EXPECT_EQ(maxY, 2000u);
    // The chart divides by it: never 0.
    TotalPhysMB = 0;
    chart.OnGetMaxY(chart, maxY);
    EXPECT_EQ(maxY, 1u);
    std::string display = "1500";
    chart.OnGetYDisplay(chart, 1500, display);
    EXPECT_EQ(display, "1500 MB");
}

TEST_F(MainWindowTest, ScrollBarsOfTheSettingsGetTheirRanges)
{
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    const TMainElements& e = window.MainElements();
    struct Range {
        const char* name;
        skin::ISkinScrollBar* bar;
        std::optional<int> min;
        int max, page, step;
    };
    // The default skin's bars start at 0; the amount bars keep that minimum.
    const Range ranges[] = {
        {"manual_scroll", e.ManualScroll, 0, 2099, 100, 1},
        {"regular_scroll", e.RegularScroll, 0, 2099, 100, 1},
        {"critical_scroll", e.CriticalScroll, 0, 2099, 100, 1},
        {"critical_adjust_scroll", e.CriticalAdjustScroll, 0, 2099, 100, 1},
        {"startup_scroll", e.StartupScroll, 0, 2099, 100, 1},
        {"intervall_scroll", e.IntervallScroll, 1, 11, 1, 1},
        {"regular_adjust_scroll", e.RegularAdjustScroll, 1, 86, 5, 1},
        {"startup_adjust_scroll", e.StartupAdjustScroll, 0, 129, 10, 1},
        {"idletime_scroll", e.IdleTimeScroll, 1, 64, 5, 1},
        {"idlecpu_scroll", e.IdleCpuScroll, 1, 109, 10, 1},
    };
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.name);
        ASSERT_NE(r.bar, nullptr);
        EXPECT_EQ(r.bar, dynamic_cast<skin::ISkinScrollBar*>(Element(toolkit::WideFromAnsi(r.name))));
        EXPECT_EQ(r.bar->GetMin(), *r.min);
        EXPECT_EQ(r.bar->GetMax(), r.max);
        EXPECT_EQ(r.bar->GetPage(), r.page);
        EXPECT_EQ(r.bar->GetStep(), r.step);
    }
    const std::pair<const char*, skin::ISkinObject*> others[] = {
        {"manual_amount", e.ManualAmount},       {"preset1", e.Presets[0]},
        {"preset3", e.Presets[2]},               {"set_value2", e.SetValues[1]},
        {"intervall_amount", e.IntervallAmount}, {"regular_amount", e.RegularAmount},
        {"regular_adjust", e.RegularAdjust},     {"critical_amount", e.CriticalAmount},
        {"critical_adjust", e.CriticalAdjust},   {"startup_amount", e.StartupAmount},
        {"startup_adjust", e.StartupAdjust},     {"next_regular_text", e.NextRegularText},
        {"idlecpu_text", e.IdleCpuText},         {"idletime_text", e.IdleTimeText},
    };
    for (const auto& [name, object] : others) {
        SCOPED_TRACE(name);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->Name(), toolkit::WideFromAnsi(name));
    }
}

TEST_F(MainWindowTest, AMissingSkinFileGivesTheFallbackViewAndTheMessageWithNoPath)
{
    Options->SetSkin(TestFolder() + "no such skin.skn");
    TfrmMain& window = Open();
    ExpectFallbackView(window);
    ASSERT_EQ(ErrorBoxes.size(), 1u);
    EXPECT_EQ(ErrorBoxes[0], "There was an error loading the skin (). Please load a different skin.");
}

TEST_F(MainWindowTest, TheSkinErrorIsARealBoxOwnedByTheWindow)
{
    toolkit::SetErrorBoxHandler({});
    const SkinFile broken("broken box.skn", "window Kalvora {");
    Options->SetSkin(broken.Path());
    DialogWatcher box("Kalvora Professional", PressOk);
    // The box runs inside the creation and is answered from the watcher.
    TfrmMain& window = Open();
    ASSERT_TRUE(box.Answered());
    EXPECT_EQ(box.Owner(), window.Handle());
    EXPECT_NE(box.Texts().find(SkinErrorText(broken.Path())), std::string::npos) << box.Texts();
    ExpectFallbackView(window);
}

TEST_F(MainWindowTest, LoadingAValidSkinFromTheFallbackViewBringsTheSkinBack)
{
    Options->SetSkin(TestFolder() + "missing.skn");
    TfrmMain& window = Open();
    ASSERT_FALSE(window.SkinLoaded());
    ErrorBoxes.clear();

    DialogWatcher dialog("Load Skin", ChooseFile(DefaultSkinPath()));
    ::PostMessageA(window.LoadSkinButton(), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return window.SkinLoaded(); }, 20000)) << "the file dialog was not answered";
    EXPECT_EQ(dialog.Owner(), window.Handle());
    EXPECT_EQ(Options->Skin(), DefaultSkinPath());
    EXPECT_TRUE(ErrorBoxes.empty());
    EXPECT_TRUE(window.PerformanceChart().Visible());
    EXPECT_FALSE(::IsWindowVisible(window.SkinNeededLabel()));
    EXPECT_FALSE(::IsWindowVisible(window.LoadSkinButton()));
    EXPECT_EQ(ClientSize(window.Handle()).cx, 720);
    EXPECT_EQ(WindowText(window.Handle()), "Kalvora Professional");
}

TEST_F(MainWindowTest, SwitchingToAnInvalidSkinBringsThePreviousOneBackAndNamesTheFile)
{
    const SkinFile broken("broken switch.skn", "this is no skin");
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    Click(L"misc");
    ASSERT_EQ(window.CurrentPage(), 7);
    ASSERT_TRUE(AnimationsDone());

    DialogWatcher dialog("Load Skin", ChooseFile(broken.Path()));
    Click(L"switch_skin");
    ASSERT_TRUE(PumpUntil([&] { return !ErrorBoxes.empty(); }, 20000)) << "the file dialog was not answered";
    EXPECT_EQ(dialog.Owner(), window.Handle());
    ASSERT_EQ(ErrorBoxes.size(), 1u);
    EXPECT_EQ(ErrorBoxes[0], SkinErrorText(broken.Path()));
    EXPECT_TRUE(window.SkinLoaded());
    EXPECT_EQ(Options->Skin(), DefaultSkinPath());
    EXPECT_EQ(window.CurrentPage(), 0);
    EXPECT_TRUE(window.Animations().Empty());
    EXPECT_TRUE(LooksReleased(Element(L"misc")));
    EXPECT_EQ(ClientSize(window.Handle()).cx, 720);
}

TEST_F(MainWindowTest, SwitchingWhenBothSkinsFailGivesTheFallbackView)
{
    const SkinFile broken("broken both.skn", "this is no skin");
    auto previous = std::make_unique<SkinFile>("slow previous.skn", kSlowSkin);
    Options->SetSkin(previous->Path());
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    previous.reset();  // the skin in use is gone from the disk

    DialogWatcher dialog("Load Skin", ChooseFile(broken.Path()));
    Click(L"switch_skin");
    ASSERT_TRUE(PumpUntil([&] { return !ErrorBoxes.empty(); }, 20000)) << "the file dialog was not answered";
    ExpectFallbackView(window);
    ASSERT_EQ(ErrorBoxes.size(), 1u);
    EXPECT_EQ(ErrorBoxes[0], SkinErrorText(broken.Path()));
}

TEST_F(MainWindowTest, SwitchSkinChangesBetweenTheTwoShippedSkins)
{
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    const std::string dark = TestFolder() + "dark.skn";
    const std::pair<std::string, std::string> switches[] = {{dark, "dark.skn"}, {DefaultSkinPath(), "default.skn"}};
    for (const auto& [file, name] : switches) {
        SCOPED_TRACE(name);
        Click(L"misc");
        ASSERT_TRUE(AnimationsDone());
        skin::ISkinObject* before = window.RootObject();
        DialogWatcher dialog("Load Skin", ChooseFile(file));
        Click(L"switch_skin");
        ASSERT_TRUE(PumpUntil([&] { return window.RootObject() != before && window.SkinLoaded(); }, 20000))
            << "the file dialog was not answered or the skin did not load";
        EXPECT_EQ(Options->Skin(), file);
        EXPECT_TRUE(ErrorBoxes.empty());
        EXPECT_EQ(ClientSize(window.Handle()).cx, 720);
        // The pages work on the new skin.
        Click(L"manual");
        ASSERT_TRUE(AnimationsDone());
        EXPECT_EQ(window.CurrentPage(), 1);
        Click(L"manual");
        ASSERT_TRUE(AnimationsDone());
    }
}

TEST_F(MainWindowTest, ACancelledSwitchChangesNothing)
{
    TfrmMain& window = Open();
    DialogWatcher dialog("Load Skin", [](HWND d) {
        ::PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(d, IDCANCEL)));
    });
    Click(L"misc");
    ASSERT_TRUE(AnimationsDone());
    skin::ISkinObject* root = window.RootObject();
    Click(L"switch_skin");
    ASSERT_TRUE(PumpUntil([&] { return dialog.Answered(); }, 20000));
    // The dialog's loop has returned once the window handles its own timer again.
    ASSERT_TRUE(PumpUntil([&] { return DialogsOfProcess().empty(); }));
    toolkit::Application::Instance().ProcessMessages();
    EXPECT_TRUE(window.SkinLoaded());
    EXPECT_EQ(window.RootObject(), root);
    EXPECT_EQ(Options->Skin(), DefaultSkinPath());
    EXPECT_TRUE(ErrorBoxes.empty());
}

// ---- pages and their animations

TEST_F(MainWindowTest, APageButtonOpensItsPageAndClosesItAgain)
{
    TfrmMain& window = Open();
    ASSERT_TRUE(LooksReleased(Element(L"regular")));
    Click(L"regular");
    EXPECT_EQ(window.CurrentPage(), 2);
    EXPECT_TRUE(LooksPressed(Element(L"regular")));
    // The page's own animation and the idle options' run in one batch.
    ASSERT_EQ(window.Animations().Count(), 3u);
    EXPECT_EQ(window.Animations().Item(0).Name, L"___OPTIONS");
    EXPECT_TRUE(window.Animations().Item(0).Chained);
    EXPECT_EQ(window.Animations().Item(1).Name, L"regular_show");
    EXPECT_TRUE(window.Animations().Item(1).Chained);
    EXPECT_EQ(window.Animations().Item(2).Name, L"idle_show");
    EXPECT_FALSE(window.Animations().Item(2).Chained);

    // While the batch runs, other page buttons are not heard.
    ASSERT_TRUE(PumpEachUntil([&] { return window.Animating(); }));
    Click(L"critical");
    EXPECT_EQ(window.CurrentPage(), 2);
    EXPECT_TRUE(LooksReleased(Element(L"critical")));

    ASSERT_TRUE(AnimationsDone());
    Click(L"regular");
    EXPECT_EQ(window.CurrentPage(), 0);
    EXPECT_TRUE(LooksReleased(Element(L"regular")));
    ASSERT_EQ(window.Animations().Count(), 3u);
    EXPECT_EQ(window.Animations().Item(0).Name, L"regular_hide");
    EXPECT_EQ(window.Animations().Item(1).Name, L"idle_hide");
    EXPECT_EQ(window.Animations().Item(2).Name, L"___OPTIONS");
    ASSERT_TRUE(AnimationsDone());
}

TEST_F(MainWindowTest, EachElementReachesItsPage)
{
    TfrmMain& window = Open();
    struct Case {
        const wchar_t* element;
        int page;
        const wchar_t* pressed;  // the button that shows the open page
    };
    // "monitor" and "startup" open pages 5 and 4; the about page shows no
    // pressed button.
    const Case cases[] = {
        {L"manual", 1, L"manual"},  {L"regular", 2, L"regular"}, {L"critical", 3, L"critical"},
        {L"startup", 4, L"startup"}, {L"monitor", 5, L"monitor"}, {L"about", 6, nullptr},
        {L"misc", 7, L"misc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toolkit::AnsiFromWide(c.element));
        Click(c.element);
        EXPECT_EQ(window.CurrentPage(), c.page);
        if (c.pressed) {
            EXPECT_TRUE(LooksPressed(Element(c.pressed)));
        }
        EXPECT_TRUE(LooksReleased(Element(L"about")));
        ASSERT_TRUE(AnimationsDone());
    }
    // Going from one page to the next releases the one before.
    EXPECT_TRUE(LooksReleased(Element(L"manual")));
    EXPECT_TRUE(LooksReleased(Element(L"startup")));

    // The page's closer and the about page's closer both go to page 0.
    Click(L"tab_close");
    EXPECT_EQ(window.CurrentPage(), 0);
    EXPECT_TRUE(LooksReleased(Element(L"misc")));
    ASSERT_TRUE(AnimationsDone());
    Click(L"about");
    ASSERT_TRUE(AnimationsDone());
    Click(L"about_close");
    EXPECT_EQ(window.CurrentPage(), 0);
}

TEST_F(MainWindowTest, ABatchOf600MsWaitsTwoTicks)
{
    const SkinFile slow("slow.skn", kSlowSkin);
    Options->SetSkin(slow.Path());
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    Click(L"manual");
    // Right after the tick that ran the batch.
    ASSERT_TRUE(PumpEachUntil([&] { return window.Animating() && window.Animations().Empty(); }));
    EXPECT_EQ(window.AnimationWait(), 2);
    ASSERT_TRUE(PumpEachUntil([&] { return window.AnimationWait() == 1; }));
    ASSERT_TRUE(PumpEachUntil([&] { return window.AnimationWait() == 0; }));
    EXPECT_TRUE(window.Animating()) << "the tick that ends the wait does not end the sequence yet";
    ASSERT_TRUE(PumpEachUntil([&] { return !window.Animating(); }));
}

TEST_F(MainWindowTest, TheDefaultSkinsHideAndShowFitIntoOneTick)
{
    TfrmMain& window = Open();
    Click(L"manual");
    ASSERT_TRUE(PumpEachUntil([&] { return window.Animating() && window.Animations().Empty(); }));
    EXPECT_EQ(window.AnimationWait(), 0);
}

TEST_F(MainWindowTest, ARealClickOpensAPage)
{
    TfrmMain& window = Open();
    const POINT centre = ElementCentre(L"manual");
    POINT onScreen = centre;
    ::ClientToScreen(window.Handle(), &onScreen);
    if (!MoveMouse(onScreen)) GTEST_SKIP() << "this display does not move the mouse";
    ASSERT_TRUE(PumpUntil([&] { return ::WindowFromPoint(onScreen) == window.Handle(); }, 10000))
        << "the window does not show at the mouse";
    SendButton(MOUSEEVENTF_LEFTDOWN);
    SendButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpUntil([&] { return window.CurrentPage() == 1; }));
    EXPECT_TRUE(LooksPressed(Element(L"manual")));
}

// ---- clicks and context help

TEST_F(MainWindowTest, FreeUpAsksTheEngineForTheManualAmount)
{
    TfrmMain& window = Open();
    Options->SetManual(500);
    Click(L"manual");
    ASSERT_TRUE(AnimationsDone());
    Click(L"manual_activate");
    HandleQueued();
    ASSERT_EQ(Engine.Messages.size(), 1u);
    EXPECT_EQ(Engine.Messages[0], std::make_pair(WM_ENGINE_FREE, WPARAM{1500}));

    // Nothing is left to free at the whole memory.
    Engine.Messages.clear();
    Options->SetManual(TestTotalMB);
    ASSERT_EQ(Options->Manual(), TestTotalMB);
    Click(L"manual_activate");
    HandleQueued();
    EXPECT_TRUE(Engine.Messages.empty());
    EXPECT_EQ(window.CurrentPage(), 1);
}

TEST_F(MainWindowTest, ContextHelpOnFreeUpShowsItsPopupBelowItAndFreesNothing)
{
    TfrmMain& window = Open();
    Options->SetManual(500);
    std::vector<TfrmMain::ContextPopupRequest> popups;
    window.OnContextPopup = [&](const TfrmMain::ContextPopupRequest& request) { popups.push_back(request); };
    Click(L"manual");
    ASSERT_TRUE(AnimationsDone());

    Click(L"contexthelp");
    EXPECT_TRUE(window.ContextHelpMode());
    EXPECT_TRUE(popups.empty());
    Press(L"manual_activate");
    EXPECT_FALSE(window.ContextHelpMode());
    EXPECT_TRUE(window.SuppressNextClick());
    Release(L"manual_activate");
    EXPECT_FALSE(window.SuppressNextClick());
    HandleQueued();
    EXPECT_TRUE(Engine.Messages.empty()) << "the press for help also started a free-up";

    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].ContextNumber, 303u);
    EXPECT_FALSE(popups[0].AtCursor);
    RECT r = ElementRect(L"manual_activate");
    ::MapWindowPoints(window.Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(popups[0].At.x, (r.left + r.right) / 2);
    EXPECT_EQ(popups[0].At.y, r.bottom + 10);

    // Only that one click was taken: the next one frees up.
    Click(L"manual_activate");
    HandleQueued();
    EXPECT_EQ(Engine.Messages.size(), 1u);
    EXPECT_EQ(popups.size(), 1u);
}

TEST_F(MainWindowTest, ContextHelpEndsOnAnElementWithoutHelpOrOnItsOwnButton)
{
    TfrmMain& window = Open();
    std::vector<TfrmMain::ContextPopupRequest> popups;
    window.OnContextPopup = [&](const TfrmMain::ContextPopupRequest& request) { popups.push_back(request); };
    Click(L"manual");
    ASSERT_TRUE(AnimationsDone());

    // "text_manual" has no number of its own.
    Click(L"contexthelp");
    Click(L"text_manual");
    EXPECT_FALSE(window.ContextHelpMode());
    // Pressing the context help button again cancels the mode; its click,
    // like any click outside the mode, then starts it anew.
    Click(L"contexthelp");
    Press(L"contexthelp");
    EXPECT_FALSE(window.ContextHelpMode());
    Release(L"contexthelp");
    EXPECT_TRUE(window.ContextHelpMode());
    Click(L"text_manual");
    EXPECT_FALSE(window.ContextHelpMode());
    EXPECT_TRUE(popups.empty());
    // The mode is over: page buttons work again.
    Click(L"manual");
    EXPECT_EQ(window.CurrentPage(), 0);
}

TEST_F(MainWindowTest, ContextHelpOnTheChartShowsTheChartsPopup)
{
    TfrmMain& window = Open();
    std::vector<TfrmMain::ContextPopupRequest> popups;
    window.OnContextPopup = [&](const TfrmMain::ContextPopupRequest& request) { popups.push_back(request); };
    const HWND chart = window.PerformanceChart().Handle();
    // Without context help a click on the chart does nothing.
    ::PostMessageA(chart, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ::PostMessageA(chart, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    toolkit::Application::Instance().ProcessMessages();
    EXPECT_TRUE(popups.empty());

    Click(L"contexthelp");
    ::PostMessageA(chart, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ::PostMessageA(chart, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    toolkit::Application::Instance().ProcessMessages();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].ContextNumber, 101u);
    RECT r = ElementRect(L"chart");
    ::MapWindowPoints(window.Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(popups[0].At.x, (r.left + r.right) / 2);
    EXPECT_EQ(popups[0].At.y, r.bottom + 10);
    EXPECT_FALSE(window.ContextHelpMode());
    EXPECT_FALSE(window.SuppressNextClick()) << "the chart is no button";
}

TEST_F(MainWindowTest, TheCloseElementDestroysTheWindowAndRemembersWhereItWas)
{
    TfrmMain& window = Open();
    RECT bounds{};
    ::GetWindowRect(window.Handle(), &bounds);
    const HWND handle = window.Handle();
    Click(L"close");
    ASSERT_TRUE(PumpUntil([&] { return !window.Exists(); }));
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_EQ(RememberedLeft, bounds.left);
    EXPECT_EQ(RememberedTop, bounds.top);
    EXPECT_EQ(std::count(Options->NotifyWindows().begin(), Options->NotifyWindows().end(), handle), 0);
}

TEST_F(MainWindowTest, ACloseDuringTheErrorBoxWaitsUntilTheBoxHasReturned)
{
    TfrmMain& window = Open();
    // The box's own loop: the close arrives while it runs.
    bool existedAfterClose = false;
    toolkit::SetErrorBoxHandler([&](const std::string& text) {
        ErrorBoxes.push_back(text);
        ::PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
        toolkit::Application::Instance().ProcessMessages();
        existedAfterClose = window.Exists();
    });
    const SkinFile broken("broken close.skn", "this is no skin");
    Click(L"misc");
    ASSERT_TRUE(AnimationsDone());
    DialogWatcher dialog("Load Skin", ChooseFile(broken.Path()));
    Click(L"switch_skin");
    ASSERT_TRUE(PumpUntil([&] { return !ErrorBoxes.empty(); }, 20000));
    EXPECT_TRUE(existedAfterClose);
    ASSERT_TRUE(PumpUntil([&] { return !window.Exists(); }));
}

// ---- the status line

TEST_F(MainWindowTest, AStatusTextWaitsForASkinWithAStatusLine)
{
    const SkinFile slow("slow status.skn", kSlowSkin);
    Options->SetSkin(slow.Path());
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    ASSERT_EQ(window.StatusElement(), nullptr);
    window.SetStatusText("Freeing up 1500 MB");
    // A page change takes several ticks.
    Click(L"manual");
    ASSERT_TRUE(PumpEachUntil([&] { return window.Animating(); }));
    ASSERT_TRUE(AnimationsDone());
    EXPECT_EQ(window.PendingStatus(), "Freeing up 1500 MB");

    DialogWatcher dialog("Load Skin", ChooseFile(DefaultSkinPath()));
    Click(L"switch_skin");
    ASSERT_TRUE(PumpUntil([&] { return window.StatusElement() != nullptr; }, 20000));
    ASSERT_TRUE(PumpUntil([&] { return window.PendingStatus().empty(); }));
    EXPECT_EQ(window.StatusElement()->GetText(), L"Freeing up 1500 MB");
    EXPECT_EQ(Options->Skin(), DefaultSkinPath());
    EXPECT_TRUE(ErrorBoxes.empty());
}

TEST_F(MainWindowTest, AStatusTextShowsAtTheNextTick)
{
    TfrmMain& window = Open();
    window.SetStatusText("Monitoring memory");
    EXPECT_EQ(window.StatusElement()->GetText(), L"");
    ASSERT_TRUE(PumpUntil([&] { return window.PendingStatus().empty(); }));
    EXPECT_EQ(window.StatusElement()->GetText(), L"Monitoring memory");
}

// ---- hostile and incomplete skins

TEST_F(MainWindowTest, HostileSkinsNeverBreakTheWindow)
{
    for (const HostileSkin& hostile : kHostileSkins) {
        SCOPED_TRACE(hostile.what);
        ErrorBoxes.clear();
        const SkinFile file("hostile.skn", hostile.text);
        Options->SetSkin(file.Path());
        TfrmMain& window = Open();
        if (!hostile.loads) {
            ExpectFallbackView(window);
            ASSERT_EQ(ErrorBoxes.size(), 1u);
            EXPECT_EQ(ErrorBoxes[0], SkinErrorText(file.Path()));
        } else {
            EXPECT_TRUE(window.SkinLoaded());
            EXPECT_TRUE(ErrorBoxes.empty());
            EXPECT_EQ(window.StatusElement(), nullptr);
            window.SetStatusText("kept");
            // Clicks anywhere, and a page change without page elements.
            Click(L"chart");
            if (Element(L"regular")) {
                Click(L"regular");
                EXPECT_EQ(window.CurrentPage(), 2);
                ASSERT_EQ(ErrorBoxes.size(), 1u);
                EXPECT_EQ(ErrorBoxes[0], "The skin element \"regular\" is no button.");
                ASSERT_TRUE(AnimationsDone());
                Click(L"regular");
                EXPECT_EQ(window.CurrentPage(), 0);
            }
            EXPECT_TRUE(AnimationsDone());
            EXPECT_EQ(window.PendingStatus(), "kept");
        }
        Window.reset();
    }
}

// ---- the window itself

TEST_F(MainWindowTest, MinimiseAndMaximiseAreSwallowed)
{
    TfrmMain& window = Open();
    for (WPARAM command : {WPARAM{SC_MINIMIZE}, WPARAM{SC_MAXIMIZE}, WPARAM{SC_MINIMIZE | 2}, WPARAM{SC_MAXIMIZE | 2}}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(::SendMessageA(window.Handle(), WM_SYSCOMMAND, command, 0), 0);
        toolkit::Application::Instance().ProcessMessages();
        EXPECT_FALSE(::IsIconic(window.Handle()));
        EXPECT_FALSE(::IsZoomed(window.Handle()));
        EXPECT_TRUE(::IsWindowVisible(window.Handle()));
    }
}

TEST_F(MainWindowTest, TheWindowHasATaskbarButtonAndTheProgramsIcon)
{
    Options->SetSkin(TestFolder() + "missing.skn");
    for (bool skinned : {false, true}) {
        SCOPED_TRACE(skinned ? "skinned" : "fallback view");
        if (skinned) Options->SetSkin(DefaultSkinPath());
        TfrmMain& window = Open();
        EXPECT_EQ(window.SkinLoaded(), skinned);
        EXPECT_EQ(WindowText(window.Handle()), "Kalvora Professional");
        const LONG_PTR exStyle = ::GetWindowLongPtrA(window.Handle(), GWL_EXSTYLE);
        EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
        EXPECT_FALSE(exStyle & WS_EX_TOOLWINDOW);
        const LONG_PTR style = ::GetWindowLongPtrA(window.Handle(), GWL_STYLE);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        if (!skinned) {
            EXPECT_TRUE(style & WS_CAPTION);
            EXPECT_TRUE(exStyle & WS_EX_CONTEXTHELP);
        }
        HICON big = reinterpret_cast<HICON>(::SendMessageA(window.Handle(), WM_GETICON, ICON_BIG, 0));
        HICON small = reinterpret_cast<HICON>(::SendMessageA(window.Handle(), WM_GETICON, ICON_SMALL, 0));
        ASSERT_NE(big, nullptr);
        ASSERT_NE(small, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(big, &info));
        toolkit::UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
        BITMAP bitmap{};
        ::GetObjectA(mask.Get(), sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(SM_CXICON));
        Window.reset();
    }
}

TEST_F(MainWindowTest, TheFallbackViewIsCentredWhenFirstShown)
{
    Options->SetSkin(TestFolder() + "missing.skn");
    TfrmMain& window = Open();
    RECT bounds{};
    ::GetWindowRect(window.Handle(), &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    EXPECT_EQ(bounds.left, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(bounds.top, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    // Its controls use the window's font.
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(window.LoadSkinButton(), WM_GETFONT, 0, 0)),
              reinterpret_cast<HFONT>(::SendMessageA(window.Handle(), WM_GETFONT, 0, 0)));
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(window.Handle(), WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -11);
}

TEST_F(MainWindowTest, TheNextWindowOpensWhereTheLastOneWasLeft)
{
    {
        TfrmMain& first = Open();
        ::SetWindowPos(first.Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Window.reset();
    }
    EXPECT_EQ(RememberedLeft, 40);
    EXPECT_EQ(RememberedTop, 30);

    TfrmMain& second = Open();
    RECT bounds{};
    ASSERT_TRUE(PumpUntil([&] {
        ::GetWindowRect(second.Handle(), &bounds);
        return bounds.left == 40 && bounds.top == 30;
    })) << "at " << bounds.left << ", " << bounds.top;

    // Only the first activation moves it: the user's own place stays.
    ::SetWindowPos(second.Handle(), nullptr, 90, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SendMessageA(second.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    ::GetWindowRect(second.Handle(), &bounds);
    EXPECT_EQ(bounds.left, 90);
    EXPECT_EQ(bounds.top, 70);
}

TEST_F(MainWindowTest, OptionChangesReachTheWindowUntilItIsGone)
{
    TfrmMain& window = Open();
    const HWND handle = window.Handle();
    EXPECT_EQ(std::count(Options->NotifyWindows().begin(), Options->NotifyWindows().end(), handle), 1);
    Window.reset();
    EXPECT_EQ(std::count(Options->NotifyWindows().begin(), Options->NotifyWindows().end(), handle), 0);
}

// ---- pictures for the documentation
//
// Run by hand with --gtest_also_run_disabled_tests and KALVORA_SHOTS set to
// a folder: each view of the window is written there as a BMP file.

namespace {

// The window as the screen shows it, written as a 24-bit BMP file; false
// when the picture is one flat colour (nothing was drawn).
bool CaptureWindow(HWND window, const std::string& file)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    toolkit::WindowDC screen(nullptr);
    toolkit::UniqueMemoryDC memory(::CreateCompatibleDC(screen.Get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    toolkit::UniqueBitmap bitmap(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    {
        toolkit::SelectGuard select(memory.Get(), bitmap.Get());
        ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY);
    }
    ::GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + size;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
    out.write(static_cast<const char*>(bits), size);
    const auto* bytes = static_cast<const unsigned char*>(bits);
    for (DWORD i = 3; i < size; ++i)
        if (bytes[i] != bytes[i % 3]) return out.good();
    return false;
}

}  // namespace

TEST_F(MainWindowTest, DISABLED_Screenshots)
{
    const char* folder = std::getenv("KALVORA_SHOTS");
    if (!folder) GTEST_SKIP() << "KALVORA_SHOTS names no folder";
    const std::string shots = std::string(folder) + "\\";
    // A history that rises and falls between 700 and 1500 MB.
    for (int i = 0; i < TIntArray::Capacity(); ++i) {
        const int mb = 1100 + (i % 160 < 80 ? i % 80 : 80 - i % 80) * 5 + ((i * 37) % 23) * 4 - 400 + (i / 5) % 60;
        MemoryHistory->Push(static_cast<uint64_t>(mb) << 20);
    }
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    window.SetStatusText("Monitoring memory: 1350 MB of 2000 MB in use");
    ASSERT_TRUE(PumpUntil([&] { return window.PendingStatus().empty(); }));
    window.RepaintChart();
    ::RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_TRUE(CaptureWindow(window.Handle(), shots + "main-overview.bmp"));
    const std::pair<const wchar_t*, const char*> pages[] = {
        {L"manual", "main-manual"},   {L"regular", "main-regular"}, {L"critical", "main-critical"},
        {L"startup", "main-startup"}, {L"monitor", "main-monitor"}, {L"misc", "main-misc"},
        {L"about", "main-about"},
    };
    for (const auto& [button, name] : pages) {
        Click(button);
        ASSERT_TRUE(AnimationsDone());
        ::RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        EXPECT_TRUE(CaptureWindow(window.Handle(), shots + name + ".bmp")) << name;
    }
    Window.reset();

    Options->SetSkin(TestFolder() + "missing.skn");
    TfrmMain& fallback = Open();
    ::RedrawWindow(fallback.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_TRUE(CaptureWindow(fallback.Handle(), shots + "main-fallback.bmp"));
}
