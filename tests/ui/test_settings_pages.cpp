// The settings pages of the real main window with the real default skin:
// clicks at the rectangles the skin gives its elements, thumb drags, page and
// arrow clicks and wheel turns posted as the system posts them; then the
// options, and the texts, positions and looks the window shows for them.
#include "tests/ui/MainWindowTestSupport.h"

#include "engine/fEngineForm.h"
#include "engine/uMessages.h"
#include "engine/uSizeText.h"
#include "monitor/uCpuUsage.h"
#include "skin/SkinNodes.h"
#include "skin/SkinScrollLayout.h"
#include "toolkit/DebugOut.h"
#include "ui/uSettingsSteps.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <mutex>

using namespace mainwindowtest;

namespace {

constexpr int T = TestTotalMB;

std::wstring Wide(const std::string& text) { return toolkit::WideFromAnsi(text); }

// The lines written to the debug output while a test listens.
std::mutex DebugLinesMutex;
std::vector<std::string> DebugLines;
void KeepDebugLine(const std::string& text)
{
    std::lock_guard lock(DebugLinesMutex);
    DebugLines.push_back(text);
}
bool DebugLineSaid(const std::string& part)
{
    std::lock_guard lock(DebugLinesMutex);
    return std::any_of(DebugLines.begin(), DebugLines.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

// A small skin of the tests' own: the chart, the page buttons named by
// `pageButtons` and the elements in `elements`, all on view at once.
std::string TestSkin(const std::string& elements)
{
    return "image b { fill = #c0c0c0 }\nimage t { fill = #404040 }\n"
           "window Kalvora {\n  size = 600 400\n  color = #e0e0e0\n"
           "  static chart { rect = 0 0 600 100 }\n"
           "  button manual { rect = 0 110 60 130; normal = b }\n"
           "  button regular { rect = 70 110 130 130; normal = b }\n"
           "  button critical { rect = 140 110 200 130; normal = b }\n"
           "  button startup { rect = 210 110 270 130; normal = b }\n"
           "  button monitor { rect = 280 110 340 130; normal = b }\n" +
           elements + "}\n";
}

class SettingsPagesTest : public MainWindowTest {
protected:
    // The window on the page that the button opens, once its animations are over.
    TfrmMain& OpenPage(const wchar_t* pageButton)
    {
        TfrmMain& window = Open();
        HandleQueued();
        Click(pageButton);
        EXPECT_TRUE(AnimationsDone());
        return window;
    }

    std::wstring Text(const wchar_t* name) const
    {
        skin::ISkinObject* object = Element(name);
        if (auto* label = dynamic_cast<skin::ISkinStatic*>(object)) return label->GetText();
        if (auto* button = dynamic_cast<skin::ISkinButton*>(object)) return button->GetText();
        ADD_FAILURE() << "no text element " << toolkit::AnsiFromWide(name);
        return {};
    }
    skin::ISkinScrollBar* Bar(const wchar_t* name) const
    {
        auto* bar = dynamic_cast<skin::ISkinScrollBar*>(Element(name));
        EXPECT_NE(bar, nullptr) << "no scroll bar " << toolkit::AnsiFromWide(name);
        return bar;
    }
    int Position(const wchar_t* name) const
    {
        skin::ISkinScrollBar* bar = Bar(name);
        return bar ? bar->GetPosition() : INT_MIN;
    }

    static bool LooksChecked(skin::ISkinObject* object)
    {
        auto* button = dynamic_cast<skin::ISkinButton*>(object);
        if (!button) return false;
        for (int state = 1; state <= 3; ++state) {
            const std::wstring& name = button->GetState(state).Section.Name;
            if (name.size() <= 8 || name.compare(name.size() - 8, 8, L"_checked") != 0) return false;
        }
        return true;
    }
    static bool LooksUnchecked(skin::ISkinObject* object)
    {
        auto* button = dynamic_cast<skin::ISkinButton*>(object);
        if (!button) return false;
        for (int state = 1; state <= 3; ++state) {
            const std::wstring& name = button->GetState(state).Section.Name;
            if (name.size() >= 8 && name.compare(name.size() - 8, 8, L"_checked") == 0) return false;
        }
        return true;
    }

    // ---- scroll bars, handled as the user handles them

    skin::SkinScrollBarNode* Node(const wchar_t* name) const
    {
        auto* node = dynamic_cast<skin::SkinScrollBarNode*>(Element(name));
        EXPECT_NE(node, nullptr) << "no scroll bar " << toolkit::AnsiFromWide(name);
        return node;
    }
    static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

    // The mouse point, along the bar, at which a thumb grabbed at its centre
    // stands for the position nearest to wanted.
    static POINT PointFor(const skin::SkinScrollBarNode& bar, const skin::ScrollLayout& layout, int wanted)
    {
        const POINT grab = Centre(layout.thumb);
        const int grabOffset = grab.x - layout.thumb.left;
        POINT best = grab;
        long long bestDistance = LLONG_MAX;
        for (int x = layout.track.left - 40; x <= layout.track.right + 40; ++x) {
            const long long distance = std::llabs(static_cast<long long>(skin::ScrollPositionAt(bar, layout, x - grabOffset)) - wanted);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = POINT{x, grab.y};
            }
        }
        return best;
    }

    // Grabs the thumb, moves it through each wanted position in turn (as
    // near as the pixels allow) and lets go at the last one. After each
    // move, `each` sees the position the bar reached.
    void Drag(const wchar_t* name, std::initializer_list<int> positions,
              const std::function<void(int reached)>& each = {})
    {
        skin::SkinScrollBarNode* bar = Node(name);
        if (!bar) return;
        const skin::ScrollLayout layout = skin::LayoutScrollBar(*bar);
        const POINT grab = Centre(layout.thumb);
        PostMouse(WM_MOUSEMOVE, 0, grab);
        PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, grab);
        POINT last = grab;
        for (int wanted : positions) {
            last = PointFor(*bar, layout, wanted);
            PostMouse(WM_MOUSEMOVE, MK_LBUTTON, last);
            if (each) each(bar->GetPosition());
        }
        PostMouse(WM_LBUTTONUP, 0, last);
    }
    // Wheel notches over the bar: each one moves it a step up (negative:
    // down).
    void Wheel(const wchar_t* name, int steps)
    {
        const RECT r = ElementRect(name);
        POINT at = Centre(r);
        ::ClientToScreen(Window->Handle(), &at);
        const int direction = steps > 0 ? -WHEEL_DELTA : WHEEL_DELTA;
        for (int i = 0; i < std::abs(steps); ++i) {
            ::PostMessageA(Window->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, direction), MAKELPARAM(at.x, at.y));
            MSG queued{};
            while (::PeekMessageA(&queued, Window->Handle(), WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_REMOVE))
                ::DispatchMessageA(&queued);
        }
    }
    // A drag to the position, then the wheel for what the pixels could not
    // reach.
    void MoveTo(const wchar_t* name, int wanted)
    {
        Drag(name, {wanted});
        if (skin::ISkinScrollBar* bar = Bar(name)) Wheel(name, wanted - bar->GetPosition());
        HandleQueued();
        EXPECT_EQ(Position(name), wanted) << toolkit::AnsiFromWide(name);
    }
    // A press and release on the track beside the thumb, after (or before) it.
    void PageClick(const wchar_t* name, bool up)
    {
        skin::SkinScrollBarNode* bar = Node(name);
        if (!bar) return;
        const skin::ScrollLayout layout = skin::LayoutScrollBar(*bar);
        const POINT at{up ? (layout.thumb.right + layout.track.right) / 2 : (layout.track.left + layout.thumb.left) / 2,
                       Centre(layout.track).y};
        PostMouse(WM_MOUSEMOVE, 0, at);
        PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMouse(WM_LBUTTONUP, 0, at);
    }
    void ArrowClick(const wchar_t* name, bool up)
    {
        skin::SkinScrollBarNode* bar = Node(name);
        if (!bar) return;
        const skin::ScrollLayout layout = skin::LayoutScrollBar(*bar);
        const POINT at = Centre(up ? layout.incArrow : layout.decArrow);
        PostMouse(WM_MOUSEMOVE, 0, at);
        PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMouse(WM_LBUTTONUP, 0, at);
    }

    // The options messages the stand-in engine got since the last call.
    int OptionsMessages()
    {
        HandleQueued();
        const int count = static_cast<int>(std::count_if(Engine.Messages.begin(), Engine.Messages.end(),
                                                         [](const auto& m) { return m.first == WM_OPTIONS_CHANGED; }));
        Engine.Messages.clear();
        return count;
    }
    void ListenToOptions()
    {
        Options->RegisterNotifyWindow(Engine.Handle());
        OptionsMessages();
    }
    void TearDown() override
    {
        toolkit::SetDebugSink(nullptr);
        if (Options) Options->UnregisterNotifyWindow(Engine.Handle());
        MainWindowTest::TearDown();
    }
};

}  // namespace

// ---- the manual page and the presets

TEST_F(SettingsPagesTest, AtTheWholeMemoryFreeUpPostsNothingAndNoPresetIsSet)
{
    OpenPage(L"manual");
    Options->SetAmount1(700);
    Options->SetManual(T);
    HandleQueued();
    Engine.Messages.clear();
    Click(L"manual_activate");
    Click(L"set_preset1");
    HandleQueued();
    EXPECT_TRUE(Engine.Messages.empty()) << "nothing is left to free";
    EXPECT_EQ(Options->Amount1(), 700u) << "a preset that frees nothing is refused";
    EXPECT_EQ(Text(L"preset1"), Wide(FreeUpSizeText(700)));
    EXPECT_EQ(Text(L"manual_amount"), L"1 MB");
}

TEST_F(SettingsPagesTest, PresetsTakeTheManualAmountAndGiveItBack)
{
    OpenPage(L"manual");
    Options->SetManual(1200);
    HandleQueued();
    struct Case {
        const wchar_t* set;
        const wchar_t* value;
        const wchar_t* label;
        uint32_t (TKalvoraOptions::*amount)() const;
    };
    const Case cases[] = {
        {L"set_preset1", L"set_value1", L"preset1", &TKalvoraOptions::Amount1},
        {L"set_preset2", L"set_value2", L"preset2", &TKalvoraOptions::Amount2},
        {L"set_preset3", L"set_value3", L"preset3", &TKalvoraOptions::Amount3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toolkit::AnsiFromWide(c.set));
        Click(c.set);
        HandleQueued();
        EXPECT_EQ((Options.get()->*c.amount)(), 1200u);
        EXPECT_EQ(Text(c.label), L"800 MB");
        EXPECT_EQ(Text(c.value), L"800 MB");
    }
    // A value button makes its preset the manual amount, and the bar and
    // the amount follow.
    Options->SetAmount2(500);
    HandleQueued();
    EXPECT_EQ(Text(L"set_value2"), Wide(FreeUpSizeText(500)));
    Click(L"set_value2");
    HandleQueued();
    EXPECT_EQ(Options->Manual(), 500);
    EXPECT_EQ(Position(L"manual_scroll"), 500);
    EXPECT_EQ(Text(L"manual_amount"), Wide(FreeUpSizeText(500)));
    EXPECT_EQ(Window->PerformanceChart().AdjustValue(), 500u);
}

TEST_F(SettingsPagesTest, OnAMachineOf1000MBTheManualBarReachesEveryLevel)
{
    TotalPhysMB = 1000;
    TfrmMain& window = OpenPage(L"manual");
    skin::ISkinScrollBar* bar = Bar(L"manual_scroll");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetMax(), 1049);
    EXPECT_EQ(bar->GetPage(), 50);
    EXPECT_EQ(bar->GetStep(), 1);

    MoveTo(L"manual_scroll", 300);
    EXPECT_EQ(Options->Manual(), 300);
    EXPECT_EQ(Text(L"manual_amount"), L"700 MB");
    EXPECT_EQ(Text(L"manual_amount"), Wide(FreeUpSizeText(300)));
    EXPECT_EQ(window.PerformanceChart().AdjustValue(), 300u);
    EXPECT_TRUE(window.PerformanceChart().ShowAdjust());
    EXPECT_FALSE(window.PerformanceChart().ShowAdjust2());

    // The far end is the whole memory, and the free-up then asks for nothing.
    Drag(L"manual_scroll", {1049});
    HandleQueued();
    EXPECT_EQ(Options->Manual(), 1000);
    EXPECT_EQ(Position(L"manual_scroll"), 1000);
    EXPECT_EQ(Text(L"manual_amount"), L"1 MB");
    // The skin's own lowest position is below the lowest level: the setter
    // keeps 1, and the bar goes back there.
    Drag(L"manual_scroll", {0});
    HandleQueued();
    EXPECT_EQ(Options->Manual(), 1);
    EXPECT_EQ(Position(L"manual_scroll"), 1);
    EXPECT_EQ(Text(L"manual_amount"), Wide(SizeText(999)));
}

// ---- the regular page

TEST_F(SettingsPagesTest, TheRegularIntervalBarGivesMinutesAndHours)
{
    OpenPage(L"regular");
    struct Case {
        int position;
        int minutes;
        const wchar_t* text;
    };
    const Case cases[] = {{61, 120, L"2 hrs"}, {82, 1380, L"23 hrs"}, {45, 45, L"45 min"}, {1, 1, L"1 min"}, {60, 60, L"1 hrs"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        Drag(L"regular_adjust_scroll", {c.position});
        EXPECT_EQ(Options->RegularInterval(), c.minutes);
        HandleQueued();
        EXPECT_EQ(Position(L"regular_adjust_scroll"), c.position);
        EXPECT_EQ(Text(L"regular_adjust"), c.text);
    }
    // Stored minutes between whole hours show the hour below.
    Options->SetRegularInterval(150);
    HandleQueued();
    EXPECT_EQ(Position(L"regular_adjust_scroll"), 61);
    EXPECT_EQ(Text(L"regular_adjust"), L"2 hrs");
}

TEST_F(SettingsPagesTest, TheRegularAmountAndTheNextFreeUpFollowTheOptions)
{
    OpenPage(L"regular");
    Options->SetRegular(true);
    const double when = 46000.0 + (18 * 60 + 20) / 1440.0;
    Options->SetNextRegularTime(when);
    HandleQueued();
    // In the user's short time format.
    const std::wstring announced = L"Next Free up at " + ShortTimeText(when) + L".";
    EXPECT_NE(ShortTimeText(when).find(L"20"), std::wstring::npos);
    EXPECT_EQ(Text(L"next_regular_text"), announced);
    EXPECT_TRUE(LooksChecked(Element(L"regular_on_check")));

    // Off empties the text, and the check follows.
    Click(L"regular_on_check");
    EXPECT_FALSE(Options->Regular());
    HandleQueued();
    EXPECT_EQ(Text(L"next_regular_text"), L"");
    EXPECT_TRUE(LooksUnchecked(Element(L"regular_on_check")));
    Click(L"regular_on_check");
    EXPECT_TRUE(Options->Regular());
    HandleQueued();
    EXPECT_EQ(Text(L"next_regular_text"), announced);

    MoveTo(L"regular_scroll", 1500);
    EXPECT_EQ(Options->RegularFreeUpMB(), 1500);
    EXPECT_EQ(Text(L"regular_amount"), L"500 MB");
    EXPECT_EQ(Window->PerformanceChart().AdjustValue(), 1500u);
}

// ---- the critical page

TEST_F(SettingsPagesTest, DraggingTheTriggerBelowTheLevelPullsTheLevelDown)
{
    TfrmMain& window = OpenPage(L"critical");
    Options->SetCriticalTriggerMB(1800);
    Options->SetCriticalFreeUpMB(1200);
    HandleQueued();
    EXPECT_EQ(Position(L"critical_scroll"), 1200);
    EXPECT_EQ(Position(L"critical_adjust_scroll"), 1800);
    EXPECT_EQ(Text(L"critical_amount"), L"800 MB");
    EXPECT_EQ(Text(L"critical_adjust"), Wide(SizeText(1800))) << "the trigger is shown as itself";

    // Down through the level and on below it: from there on the level goes
    // with the trigger.
    Drag(L"critical_adjust_scroll", {1500, 1200, 900, 600});
    const int trigger = Options->CriticalTriggerMB();
    EXPECT_NEAR(trigger, 600, 20);
    EXPECT_EQ(Options->CriticalFreeUpMB(), trigger);
    HandleQueued();
    EXPECT_EQ(Position(L"critical_adjust_scroll"), trigger);
    EXPECT_EQ(Position(L"critical_scroll"), trigger);
    EXPECT_EQ(Text(L"critical_adjust"), Wide(SizeText(trigger)));
    EXPECT_EQ(Text(L"critical_amount"), Wide(FreeUpSizeText(trigger)));
    EXPECT_EQ(window.PerformanceChart().AdjustValue(), static_cast<uint32_t>(trigger));
    EXPECT_EQ(window.PerformanceChart().AdjustValue2(), static_cast<uint32_t>(trigger));
    EXPECT_TRUE(window.PerformanceChart().ShowAdjust2());

    // The level cannot rise above the trigger: the bar goes back.
    Drag(L"critical_scroll", {1700});
    HandleQueued();
    EXPECT_EQ(Options->CriticalTriggerMB(), Options->CriticalFreeUpMB());
    EXPECT_EQ(Position(L"critical_scroll"), Options->CriticalFreeUpMB());
    EXPECT_EQ(Position(L"critical_adjust_scroll"), Options->CriticalTriggerMB());
}

TEST_F(SettingsPagesTest, ADragAppliesEveryPositionOnceAndItsEndNothingMore)
{
    OpenPage(L"critical");
    Options->SetCriticalTriggerMB(1000);
    HandleQueued();
    ListenToOptions();
    std::vector<int> applied;
    Drag(L"critical_adjust_scroll", {1100, 1200, 1300}, [&](int reached) {
        EXPECT_EQ(Options->CriticalTriggerMB(), reached) << "the option follows the thumb at once";
        applied.push_back(reached);
    });
    ASSERT_EQ(applied.size(), 3u);
    EXPECT_LT(applied[0], applied[1]);
    EXPECT_LT(applied[1], applied[2]);
    // One change per new thumb position; the release adds none.
    EXPECT_EQ(OptionsMessages(), 3);
    EXPECT_EQ(Options->CriticalTriggerMB(), applied[2]);

    // A click beside the thumb moves a page once.
    PageClick(L"critical_adjust_scroll", true);
    EXPECT_EQ(OptionsMessages(), 1);
    EXPECT_EQ(Options->CriticalTriggerMB(), applied[2] + T / 20);
    PageClick(L"critical_adjust_scroll", false);
    EXPECT_EQ(OptionsMessages(), 1);
    EXPECT_EQ(Options->CriticalTriggerMB(), applied[2]);
    // So does a wheel notch, a step.
    Wheel(L"critical_adjust_scroll", 1);
    EXPECT_EQ(OptionsMessages(), 1);
    EXPECT_EQ(Options->CriticalTriggerMB(), applied[2] + 1);
}

TEST_F(SettingsPagesTest, AnArrowClickChangesTheOptionOnce)
{
    const SkinFile file("arrows.skn", TestSkin("  scrollbar critical_adjust_scroll { rect = 0 140 300 160; "
                                               "arrow-size = 20; thumb = t; track = b; thumb-size = 10 }\n"
                                               "  scrollbar intervall_scroll { rect = 0 170 300 190; arrow-size = 20; "
                                               "thumb = t; thumb-size = 10 }\n"
                                               "  static intervall_amount { rect = 0 200 100 220 }\n"));
    Options->SetSkin(file.Path());
    OpenPage(L"critical");
    ASSERT_TRUE(Window->SkinLoaded());
    Options->SetCriticalTriggerMB(1000);
    Options->SetChartInterval(2000);
    HandleQueued();
    ListenToOptions();
    ArrowClick(L"critical_adjust_scroll", true);
    EXPECT_EQ(OptionsMessages(), 1);
    EXPECT_EQ(Options->CriticalTriggerMB(), 1001);
    ArrowClick(L"critical_adjust_scroll", false);
    ArrowClick(L"critical_adjust_scroll", false);
    EXPECT_EQ(OptionsMessages(), 2);
    EXPECT_EQ(Options->CriticalTriggerMB(), 999);
    EXPECT_EQ(Position(L"critical_adjust_scroll"), 999);

    // The chart interval goes a step of its own per click, and its text with it.
    ArrowClick(L"intervall_scroll", true);
    EXPECT_EQ(OptionsMessages(), 1);
    EXPECT_EQ(Options->ChartInterval(), 3000);
    EXPECT_EQ(Position(L"intervall_scroll"), 5);
    EXPECT_EQ(Text(L"intervall_amount"), L"3 s");
}

// ---- the monitor page

TEST_F(SettingsPagesTest, TheChartIntervalShowsTheStepItFallsInto)
{
    OpenPage(L"monitor");
    struct Case {
        int ms;
        int position;
        const wchar_t* text;
    };
    const Case cases[] = {{2000, 4, L"2 s"}, {7000, 6, L"5 s"}, {59999, 10, L"45 s"}, {250, 1, L"250 ms"}, {60000, 11, L"60 s"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ms);
        Options->SetChartInterval(c.ms);
        HandleQueued();
        EXPECT_EQ(Position(L"intervall_scroll"), c.position);
        EXPECT_EQ(Text(L"intervall_amount"), c.text);
    }
    // A drag picks the step of its position.
    for (const Case& c : {Case{1000, 3, L"1 s"}, Case{30000, 9, L"30 s"}}) {
        SCOPED_TRACE(c.position);
        Drag(L"intervall_scroll", {c.position});
        HandleQueued();
        EXPECT_EQ(Options->ChartInterval(), c.ms);
        EXPECT_EQ(Position(L"intervall_scroll"), c.position);
        EXPECT_EQ(Text(L"intervall_amount"), c.text);
    }
}

TEST_F(SettingsPagesTest, OnlyTheChosenTrayIconLooksPressed)
{
    Options->SetMemoryIcon(true);
    Options->SetMemoryIconStyle(1);
    Options->SetCPUMonitoring(false);
    Options->SetCPUIconStyle(2);
    OpenPage(L"monitor");
    struct Case {
        const wchar_t* click;
        bool memoryIcon, cpuMonitoring;
        int memoryStyle, cpuStyle;
    };
    // Each click in turn, from what the one before left.
    const Case cases[] = {
        {L"cpu_tray_icon_number", true, true, 1, 2},   {L"cpu_tray_icon_off", true, false, 1, 2},
        {L"cpu_tray_icon_bar", true, true, 1, 3},      {L"cpu_tray_icon_chart", true, true, 1, 1},
        {L"memory_tray_icon_bar", true, true, 3, 1},   {L"memory_tray_icon_off", false, true, 3, 1},
        {L"memory_tray_icon_number", true, true, 2, 1}, {L"memory_tray_icon_chart", true, true, 1, 1},
    };
    const wchar_t* const memoryButtons[] = {L"memory_tray_icon_off", L"memory_tray_icon_chart", L"memory_tray_icon_number",
                                            L"memory_tray_icon_bar"};
    const wchar_t* const cpuButtons[] = {L"cpu_tray_icon_off", L"cpu_tray_icon_chart", L"cpu_tray_icon_number",
                                         L"cpu_tray_icon_bar"};
    for (const Case& c : cases) {
        SCOPED_TRACE(toolkit::AnsiFromWide(c.click));
        Click(c.click);
        HandleQueued();
        EXPECT_EQ(Options->MemoryIcon(), c.memoryIcon);
        EXPECT_EQ(Options->CPUMonitoring(), c.cpuMonitoring);
        EXPECT_EQ(Options->MemoryIconStyle(), c.memoryStyle);
        EXPECT_EQ(Options->CPUIconStyle(), c.cpuStyle);
        // By index: off, chart (1), number (2), bar (3).
        const int memoryChosen = c.memoryIcon ? c.memoryStyle : 0;
        const int cpuChosen = c.cpuMonitoring ? c.cpuStyle : 0;
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(LooksPressed(Element(memoryButtons[i])), i == memoryChosen);
            EXPECT_EQ(LooksReleased(Element(memoryButtons[i])), i != memoryChosen);
            EXPECT_EQ(LooksPressed(Element(cpuButtons[i])), i == cpuChosen);
            EXPECT_EQ(LooksReleased(Element(cpuButtons[i])), i != cpuChosen);
        }
    }
}

TEST_F(SettingsPagesTest, ChangesMadeElsewhereMoveThePressedLookToo)
{
    OpenPage(L"monitor");
    Options->SetCPUMonitoring(true);
    Options->SetCPUIconStyle(2);
    HandleQueued();
    EXPECT_TRUE(LooksPressed(Element(L"cpu_tray_icon_number")));
    for (const wchar_t* other : {L"cpu_tray_icon_off", L"cpu_tray_icon_chart", L"cpu_tray_icon_bar"})
        EXPECT_TRUE(LooksReleased(Element(other))) << toolkit::AnsiFromWide(other);
    Options->SetCPUMonitoring(false);
    HandleQueued();
    EXPECT_TRUE(LooksPressed(Element(L"cpu_tray_icon_off")));
    for (const wchar_t* other : {L"cpu_tray_icon_number", L"cpu_tray_icon_chart", L"cpu_tray_icon_bar"})
        EXPECT_TRUE(LooksReleased(Element(other))) << toolkit::AnsiFromWide(other);
}

TEST_F(SettingsPagesTest, ChecksFlipTheirOptionAndShowIt)
{
    struct Case {
        const wchar_t* page;
        const wchar_t* check;
        bool (TKalvoraOptions::*value)() const;
    };
    const Case cases[] = {
        {L"monitor", L"enforce_tray_icon_check", &TKalvoraOptions::ProgramIcon},
        {L"misc", L"background_on_check", &TKalvoraOptions::BackgroundActivity},
        {L"critical", L"critical_on_check", &TKalvoraOptions::Critical},
        {L"startup", L"startup_on_check", &TKalvoraOptions::Startup},
        {L"regular", L"regular_on_check", &TKalvoraOptions::Regular},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toolkit::AnsiFromWide(c.check));
        OpenPage(c.page);
        for (int flip = 0; flip < 2; ++flip) {
            const bool before = (Options.get()->*c.value)();
            EXPECT_EQ(LooksChecked(Element(c.check)), before);
            Click(c.check);
            EXPECT_EQ((Options.get()->*c.value)(), !before);
            HandleQueued();
            EXPECT_EQ(LooksChecked(Element(c.check)), !before);
            EXPECT_EQ(LooksUnchecked(Element(c.check)), before);
        }
        Window.reset();
    }
}

// ---- the start-up page and the idle options

TEST_F(SettingsPagesTest, TheStartupPageShowsItsAmountAndWait)
{
    OpenPage(L"startup");
    MoveTo(L"startup_adjust_scroll", 45);
    EXPECT_EQ(Options->StartupWait(), 45);
    EXPECT_EQ(Text(L"startup_adjust"), L"45 sec");
    Drag(L"startup_adjust_scroll", {129});
    HandleQueued();
    EXPECT_EQ(Options->StartupWait(), 120) << "the bar's far end";
    EXPECT_EQ(Text(L"startup_adjust"), L"120 sec");
    MoveTo(L"startup_scroll", 1750);
    EXPECT_EQ(Options->StartupFreeUpMB(), 1750);
    EXPECT_EQ(Text(L"startup_amount"), L"250 MB");
    EXPECT_EQ(Window->PerformanceChart().AdjustValue(), 1750u);
}

TEST_F(SettingsPagesTest, TheIdleOptionsBelongToTheOpenPage)
{
    struct Page {
        const wchar_t* button;
        int (TKalvoraOptions::*seconds)() const;
        int (TKalvoraOptions::*percent)() const;
        bool (TKalvoraOptions::*enforce)() const;
    };
    const Page pages[] = {
        {L"regular", &TKalvoraOptions::RegularIdleSeconds, &TKalvoraOptions::RegularIdlePercent,
         &TKalvoraOptions::RegularIdleEnforce},
        {L"critical", &TKalvoraOptions::CriticalIdleSeconds, &TKalvoraOptions::CriticalIdlePercent,
         &TKalvoraOptions::CriticalIdleEnforce},
        {L"startup", &TKalvoraOptions::StartupIdleSeconds, &TKalvoraOptions::StartupIdlePercent,
         &TKalvoraOptions::StartupIdleEnforce},
    };
    Options->SetRegularIdleSeconds(11);
    Options->SetRegularIdlePercent(21);
    Options->SetCriticalIdleSeconds(12);
    Options->SetCriticalIdlePercent(22);
    Options->SetStartupIdleSeconds(13);
    Options->SetStartupIdlePercent(23);
    for (size_t i = 0; i < std::size(pages); ++i) {
        const Page& page = pages[i];
        SCOPED_TRACE(toolkit::AnsiFromWide(page.button));
        OpenPage(page.button);
        const int seconds = (Options.get()->*page.seconds)();
        const int percent = (Options.get()->*page.percent)();
        EXPECT_EQ(seconds, 11 + static_cast<int>(i));
        EXPECT_EQ(Position(L"idletime_scroll"), seconds);
        EXPECT_EQ(Position(L"idlecpu_scroll"), percent);
        EXPECT_EQ(Text(L"idletime_text"), L"Idle search time: " + std::to_wstring(seconds) + L" s");
        EXPECT_EQ(Text(L"idlecpu_text"), L"Allowed CPU usage: " + std::to_wstring(percent) + L"%");
        EXPECT_EQ(LooksChecked(Element(L"idleforce_check")), (Options.get()->*page.enforce)());

        MoveTo(L"idletime_scroll", 40);
        MoveTo(L"idlecpu_scroll", 75);
        EXPECT_EQ((Options.get()->*page.seconds)(), 40);
        EXPECT_EQ((Options.get()->*page.percent)(), 75);
        EXPECT_EQ(Text(L"idletime_text"), L"Idle search time: 40 s");
        EXPECT_EQ(Text(L"idlecpu_text"), L"Allowed CPU usage: 75%");
        // The far ends of the bars are the options' ends.
        Drag(L"idletime_scroll", {64});
        Drag(L"idlecpu_scroll", {109});
        HandleQueued();
        EXPECT_EQ((Options.get()->*page.seconds)(), 60);
        EXPECT_EQ((Options.get()->*page.percent)(), 100);
        EXPECT_EQ(Position(L"idletime_scroll"), 60);
        EXPECT_EQ(Position(L"idlecpu_scroll"), 100);

        const bool enforce = (Options.get()->*page.enforce)();
        Click(L"idleforce_check");
        EXPECT_EQ((Options.get()->*page.enforce)(), !enforce);
        HandleQueued();
        EXPECT_EQ(LooksChecked(Element(L"idleforce_check")), !enforce) << "the look follows the notification";
        Window.reset();
    }
}

TEST_F(SettingsPagesTest, TheEnforceCheckDoesNothingOnAPageWithoutIdleOptions)
{
    // The idle options of the default skin are hidden away from pages 2 to 4:
    // here they stay on view on every page.
    const SkinFile file("idle.skn", TestSkin("  button idleforce_check { rect = 0 140 100 160; normal = b }\n"
                                             "  scrollbar idletime_scroll { rect = 0 170 300 190; thumb = t; thumb-size = 10 }\n"));
    Options->SetSkin(file.Path());
    TfrmMain& window = OpenPage(L"monitor");
    ASSERT_TRUE(window.SkinLoaded());
    ASSERT_EQ(window.CurrentPage(), 5);
    const bool regular = Options->RegularIdleEnforce(), critical = Options->CriticalIdleEnforce(),
               startup = Options->StartupIdleEnforce();
    const int seconds[] = {Options->RegularIdleSeconds(), Options->CriticalIdleSeconds(), Options->StartupIdleSeconds()};
    ListenToOptions();
    Click(L"idleforce_check");
    Drag(L"idletime_scroll", {30});
    EXPECT_EQ(OptionsMessages(), 0);
    EXPECT_EQ(Options->RegularIdleEnforce(), regular);
    EXPECT_EQ(Options->CriticalIdleEnforce(), critical);
    EXPECT_EQ(Options->StartupIdleEnforce(), startup);
    EXPECT_EQ(Options->RegularIdleSeconds(), seconds[0]);
    EXPECT_EQ(Options->CriticalIdleSeconds(), seconds[1]);
    EXPECT_EQ(Options->StartupIdleSeconds(), seconds[2]);

    // On page 3 it is the critical free-up's.
    Click(L"critical");
    ASSERT_TRUE(AnimationsDone());
    ASSERT_EQ(window.CurrentPage(), 3);
    EXPECT_EQ(LooksChecked(Element(L"idleforce_check")), critical);
    Click(L"idleforce_check");
    EXPECT_EQ(Options->CriticalIdleEnforce(), !critical);
    EXPECT_EQ(Options->RegularIdleEnforce(), regular);
    EXPECT_EQ(Options->StartupIdleEnforce(), startup);
    HandleQueued();
    EXPECT_EQ(LooksChecked(Element(L"idleforce_check")), !critical);
}

// ---- damaged and odd skins

TEST_F(SettingsPagesTest, AChoiceThatIsNoButtonSkipsOnlyTheRestOfThatRefresh)
{
    // Each name in turn, in a skin that has the texts around it.
    for (const char* broken : {"cpu_tray_icon_bar", "memory_tray_icon_off"}) {
        SCOPED_TRACE(broken);
        const SkinFile file("choice.skn",
                            TestSkin(std::string("  static ") + broken + " { rect = 0 140 100 160 }\n"
                                     "  static manual_amount { rect = 0 170 100 190 }\n"
                                     "  static intervall_amount { rect = 110 170 200 190 }\n"
                                     "  static regular_amount { rect = 210 170 300 190; text = \"skin's own\" }\n"
                                     "  button enforce_tray_icon_check { rect = 310 170 400 190; normal = b }\n"
                                     "  static StatusStatic { rect = 0 200 300 220 }\n"));
        Options->SetSkin(file.Path());
        Options->SetProgramIcon(true);
        Options->SetChartInterval(2000);
        {
            std::lock_guard lock(DebugLinesMutex);
            DebugLines.clear();
        }
        toolkit::SetDebugSink(&KeepDebugLine);
        TfrmMain& window = Open();
        ASSERT_TRUE(window.SkinLoaded());
        HandleQueued();
        toolkit::SetDebugSink(nullptr);
        // Not shown to the user, but told to the debug output.
        EXPECT_TRUE(ErrorBoxes.empty());
        EXPECT_TRUE(DebugLineSaid(std::string("\"") + broken + "\" is no button"));
        // Before the choices: shown. After them: not.
        EXPECT_EQ(Text(L"manual_amount"), Wide(FreeUpSizeText(Options->Manual())));
        EXPECT_EQ(Text(L"intervall_amount"), L"2 s");
        EXPECT_TRUE(LooksUnchecked(Element(L"enforce_tray_icon_check")));
        EXPECT_EQ(Text(L"regular_amount"), L"skin's own");

        // A refresh without the choices shows everything, and the window
        // goes on working.
        Options->SetRegularFreeUpMB(1400);
        HandleQueued();
        EXPECT_EQ(Text(L"regular_amount"), L"600 MB");
        Click(L"regular");
        ASSERT_TRUE(AnimationsDone());
        EXPECT_EQ(window.CurrentPage(), 2);
        EXPECT_TRUE(LooksPressed(Element(L"regular")));
        window.SetStatusText("still here");
        EXPECT_TRUE(PumpUntil([&] { return window.PendingStatus().empty(); })) << "the timer goes on";
        ASSERT_NE(window.StatusElement(), nullptr);
        EXPECT_EQ(window.StatusElement()->GetText(), L"still here");
        EXPECT_TRUE(ErrorBoxes.empty());
        Window.reset();
    }
}

TEST_F(SettingsPagesTest, ASkinWithoutTheElementsShowsWhatItHas)
{
    const SkinFile file("few.skn", TestSkin("  static regular_adjust { rect = 0 140 100 160 }\n"));
    Options->SetSkin(file.Path());
    TfrmMain& window = OpenPage(L"regular");
    ASSERT_TRUE(window.SkinLoaded());
    EXPECT_EQ(window.MainElements().ManualScroll, nullptr);
    EXPECT_EQ(window.MainElements().IdleCpuScroll, nullptr);
    Options->SetRegularInterval(90);
    Options->SetCPUMonitoring(true);
    Options->SetManual(10);
    HandleQueued();
    EXPECT_EQ(Text(L"regular_adjust"), L"1 hrs");
    // Clicks on every page button still work, and nothing was reported.
    for (const wchar_t* page : {L"manual", L"critical", L"startup", L"monitor"}) {
        Click(page);
        EXPECT_TRUE(AnimationsDone());
    }
    EXPECT_EQ(window.CurrentPage(), 5);
    EXPECT_TRUE(ErrorBoxes.empty());
}

TEST_F(SettingsPagesTest, BarsWithOddRangesEndInOptionsInsideTheirRange)
{
    // The amount bars keep the skin's own Min; a skin may give any.
    struct Case {
        const char* min;
        int expectedLevel;
    };
    // The skin's own bounds are a thousand million either way.
    const Case cases[] = {{"-1000000000", 1}, {"1000000000", T}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.min);
        std::string bars;
        int row = 0;
        for (const char* name : {"manual_scroll", "regular_scroll", "critical_scroll", "critical_adjust_scroll", "startup_scroll"}) {
            const int top = 140 + 24 * row++;
            // The window sets Max itself; the skin's must only not be below its Min.
            bars += std::string("  scrollbar ") + name + " { min = " + c.min + "; max = 1000000000; position = " + c.min +
                    "; rect = 0 " + std::to_string(top) + " 300 " + std::to_string(top + 20) +
                    "; thumb = t; thumb-size = 10 }\n";
        }
        const SkinFile file("odd.skn", TestSkin(bars));
        Options->SetSkin(file.Path());
        TfrmMain& window = OpenPage(L"manual");
        ASSERT_TRUE(window.SkinLoaded());
        for (const wchar_t* name : {L"manual_scroll", L"regular_scroll", L"critical_scroll", L"critical_adjust_scroll",
                                    L"startup_scroll"}) {
            SCOPED_TRACE(toolkit::AnsiFromWide(name));
            // Grabbed and let go at the bar's lowest end.
            Drag(name, {INT_MIN});
        }
        HandleQueued();
        EXPECT_EQ(Options->Manual(), c.expectedLevel);
        EXPECT_EQ(Options->RegularFreeUpMB(), c.expectedLevel);
        EXPECT_EQ(Options->CriticalFreeUpMB(), c.expectedLevel);
        EXPECT_EQ(Options->CriticalTriggerMB(), c.expectedLevel);
        EXPECT_EQ(Options->StartupFreeUpMB(), c.expectedLevel);
        EXPECT_TRUE(ErrorBoxes.empty());
        Window.reset();
    }
}

// ---- a free-up from the manual page, with the real engine

TEST_F(SettingsPagesTest, FreeUpRunsAndTheStatusLineFollowsItToItsEnd)
{
    // Nothing of the engine's own schedule may start a free-up meanwhile.
    Options->SetCritical(false);
    Options->SetRegular(false);
    Options->SetStartup(false);
    if (!WorkerCpuSampler) CreateCpuSamplers();
    auto engine = std::make_unique<TfrmEngine>();
    toolkit::Application::Instance().ProcessMessages();
    ASSERT_EQ(EngineWindowHandle, engine->Handle());
    engine->RunCommand(cmdShowKalvora);
    TfrmMain* window = engine->FindMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->SkinLoaded());
    ASSERT_TRUE(PumpUntil([&] { return window->PendingStatus().empty(); }));
    const std::wstring idle = window->StatusElement()->GetText();
    EXPECT_EQ(idle, Wide(engine->StatusLine()));

    // 64 MB: a free-up that is over soon on any machine.
    Options->SetManual(TotalPhysMB - 64);
    skin::ISkinObject* root = window->RootObject();
    // Posted as the system posts them, and handled.
    auto click = [&](const wchar_t* name) {
        const RECT r = dynamic_cast<skin::ISkinElement*>(root->FindObject(name))->GetRect(root);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        for (UINT message : {UINT{WM_MOUSEMOVE}, UINT{WM_LBUTTONDOWN}, UINT{WM_LBUTTONUP}}) {
            ::PostMessageA(window->Handle(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, at);
            MSG queued{};
            while (::PeekMessageA(&queued, window->Handle(), WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
                ::DispatchMessageA(&queued);
        }
    };
    click(L"manual");
    ASSERT_TRUE(PumpUntil([&] { return window->CurrentPage() == 1 && window->Animations().Empty() && !window->Animating(); }));
    click(L"manual_activate");

    // Every line the engine hands the window, and every line the window
    // shows, from the free-up's start to its end. The window shows the last
    // line of each tick: a line that lasts less than a tick may be handed
    // over and never shown.
    std::vector<std::string> handed;
    std::vector<std::wstring> shown;
    const bool ended = PumpEachUntil(
        [&] {
            const std::string pending = window->PendingStatus();
            if (!pending.empty() && (handed.empty() || handed.back() != pending)) handed.push_back(pending);
            const std::wstring now = window->StatusElement()->GetText();
            if (shown.empty() || shown.back() != now) shown.push_back(now);
            return engine->Worker() == nullptr && handed.size() > 1 && window->PendingStatus().empty() &&
                   now == Wide(engine->StatusLine());
        },
        60000);
    ASSERT_TRUE(ended) << "the free-up did not end, or its end was not shown";
    const auto working = std::find_if(handed.begin(), handed.end(),
                                      [](const std::string& line) { return line.find("working (") != std::string::npos; });
    EXPECT_NE(working, handed.end()) << "the window was told of the free-up at work";
    ASSERT_FALSE(handed.empty());
    EXPECT_EQ(Wide(handed.back()), idle) << "and of its end";
    EXPECT_EQ(shown.back(), idle) << "and then the engine at rest again";
    engine.reset();
    EXPECT_EQ(EngineWindowHandle, nullptr);
}
