// Change notification as real windows receive it through a real message loop.
#include "tests/settings/OptionsTestSupport.h"

#include "engine/uMessages.h"
#include "toolkit/Application.h"
#include "toolkit/MessageWindow.h"

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr UINT WM_TEST_MARK = WM_APP + 1;

struct Received {
    HWND window;
    int mask;
    bool operator==(const Received&) const = default;
};

// A hidden window that keeps the masks of the WM_OPTIONS_CHANGED it receives,
// also in a log shared by several windows, to see the order of delivery.
class Recorder {
public:
    explicit Recorder(std::vector<Received>* sharedLog = nullptr) : sharedLog_(sharedLog) {}
    HWND Handle() const { return window_.Handle(); }

    std::vector<int> masks;
    bool marked = false;

private:
    bool Handle(UINT message, WPARAM wParam)
    {
        if (message == WM_OPTIONS_CHANGED) {
            masks.push_back(static_cast<int>(wParam));
            if (sharedLog_) sharedLog_->push_back({Handle(), static_cast<int>(wParam)});
            return true;
        }
        if (message == WM_TEST_MARK) {
            marked = true;
            return true;
        }
        return false;
    }

    std::vector<Received>* sharedLog_;
    toolkit::MessageWindow window_{[this](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        return Handle(message, wParam);
    }};
};

// Posted messages arrive in the order they were posted: once a mark posted
// now has arrived, everything posted before it has been handled.
void DeliverPending(const std::vector<Recorder*>& recorders)
{
    for (Recorder* recorder : recorders) {
        recorder->marked = false;
        ::PostMessageA(recorder->Handle(), WM_TEST_MARK, 0, 0);
    }
    const bool all = toolkit::Application::Instance().ProcessMessagesUntil(
        [&] {
            for (Recorder* recorder : recorders)
                if (!recorder->marked) return false;
            return true;
        },
        5000);
    ASSERT_TRUE(all) << "the marks did not arrive";
}

std::vector<int> Take(Recorder& recorder)
{
    DeliverPending({&recorder});
    return std::exchange(recorder.masks, {});
}

class OptionNotifications : public OptionsTest {
protected:
    void SetUp() override
    {
        OptionsTest::SetUp();
        StoreNotFirstStart();
        options = std::make_unique<TKalvoraOptions>(path);
    }
    void TearDown() override
    {
        options.reset();
        OptionsTest::TearDown();
    }
    std::unique_ptr<TKalvoraOptions> options;
};

TEST_F(OptionNotifications, RegisteringPostsChangeAllAtOnceEvenWhileSuspended)
{
    Recorder window;
    options->SetNotifySuspended(true);
    options->RegisterNotifyWindow(window.Handle());
    options->SetChartInterval(500);
    EXPECT_EQ(Take(window), std::vector<int>{ChangeAll});
    options->SetNotifySuspended(false);
    options->SetChartInterval(600);
    EXPECT_EQ(Take(window), std::vector<int>{ChangeDisplay});
}

TEST_F(OptionNotifications, EachSetterPostsItsBitOnceOrOnlyWhenItChangedSomething)
{
    Recorder window;
    options->RegisterNotifyWindow(window.Handle());
    ASSERT_EQ(Take(window), std::vector<int>{ChangeAll});
    TKalvoraOptions& o = *options;

    struct Step { const char* what; std::function<void()> call; std::vector<int> masks; };
    const Step steps[] = {
        {"Hotkey1 unchanged", [&] { o.SetHotkey1(o.Hotkey1()); }, {}},
        {"Hotkey1 changed", [&] { o.SetHotkey1(0x4041); }, {ChangePresets}},
        {"Hotkey3 changed", [&] { o.SetHotkey3(0); }, {ChangePresets}},
        {"ChartInterval unchanged", [&] { o.SetChartInterval(o.ChartInterval()); }, {ChangeDisplay}},
        {"ChartInterval clamped", [&] { o.SetChartInterval(1); }, {ChangeDisplay}},
        {"Manual to 700", [&] { o.SetManual(700); }, {ChangePresets}},
        {"Manual unchanged", [&] { o.SetManual(700); }, {}},
        {"Manual to 1", [&] { o.SetManual(1); }, {ChangePresets}},
        {"Manual clamped to what it is", [&] { o.SetManual(-5); }, {}},
        {"Amount2 refused", [&] { o.SetAmount2(1024); }, {}},
        {"Amount2 accepted unchanged", [&] { o.SetAmount2(o.Amount2()); }, {ChangePresets}},
        {"CPU monitoring off while off", [&] { o.SetCPUMonitoring(false); }, {}},
        {"CPU monitoring on", [&] { o.SetCPUMonitoring(true); }, {ChangeDisplay}},
        {"CPU monitoring on while on", [&] { o.SetCPUMonitoring(true); }, {}},
        {"CPU monitoring off", [&] { o.SetCPUMonitoring(false); }, {ChangeDisplay}},
        {"MemoryIcon unchanged", [&] { o.SetMemoryIcon(o.MemoryIcon()); }, {ChangeDisplay}},
        {"Skin unchanged", [&] { o.SetSkin(o.Skin()); }, {ChangeDisplay}},
        {"BackgroundActivity", [&] { o.SetBackgroundActivity(false); }, {ChangeDisplay}},
        {"critical level moving its trigger", [&] { o.SetCriticalFreeUpMB(1000); }, {ChangeCritical}},
        {"critical idle seconds", [&] { o.SetCriticalIdleSeconds(20); }, {ChangeCritical}},
        {"RegularFreeUpMB", [&] { o.SetRegularFreeUpMB(-3); }, {ChangeRegular}},
        {"RegularIdle", [&] { o.SetRegularIdle(true); }, {ChangeRegular}},
        {"NextRegularTime", [&] { o.SetNextRegularTime(45000.25); }, {ChangeRegular}},
        {"StartupWait", [&] { o.SetStartupWait(500); }, {ChangeStartup}},
        {"Startup", [&] { o.SetStartup(false); }, {ChangeStartup}},
        {"free-and-run entry added", [&] { o.AddFreeAndRunItem(std::make_unique<TFreeAndRunItem>()); },
         {ChangeFreeAndRun}},
        {"a change announced by others", [&] { o.NotifyChange(ChangeFreeAndRun | ChangeDisplay); }, {33}},
    };
    for (const Step& step : steps) {
        step.call();
        EXPECT_EQ(Take(window), step.masks) << step.what;
    }
}

TEST_F(OptionNotifications, TenWindowsAreServedInSlotOrderAndAnEleventhIsIgnored)
{
    std::vector<Received> log;
    std::vector<std::unique_ptr<Recorder>> windows;
    std::vector<Recorder*> all;
    for (int i = 0; i < 11; ++i) {
        windows.push_back(std::make_unique<Recorder>(&log));
        all.push_back(windows.back().get());
        options->RegisterNotifyWindow(windows.back()->Handle());
    }
    DeliverPending(all);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(windows[i]->masks, std::vector<int>{ChangeAll}) << i;
    EXPECT_TRUE(windows[10]->masks.empty());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(options->NotifyWindows()[i], windows[i]->Handle()) << i;

    log.clear();
    options->NotifyChange(ChangeCritical);
    DeliverPending(all);
    std::vector<Received> expected;
    for (int i = 0; i < 10; ++i) expected.push_back({windows[i]->Handle(), ChangeCritical});
    EXPECT_EQ(log, expected);

    // A freed slot is taken by the next registration, which is then served in that place.
    options->UnregisterNotifyWindow(windows[3]->Handle());
    options->RegisterNotifyWindow(windows[10]->Handle());
    log.clear();
    options->NotifyChange(ChangeStartup);
    DeliverPending(all);
    ASSERT_EQ(log.size(), 11u) << "the newcomer's ChangeAll, then ten";
    EXPECT_EQ(log[0], (Received{windows[10]->Handle(), ChangeAll}));
    EXPECT_EQ(log[4], (Received{windows[10]->Handle(), ChangeStartup}));
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [&](const Received& r) { return r.window == windows[3]->Handle(); }));
}

TEST_F(OptionNotifications, UnregisteringClearsOneSlotAndUnknownWindowsAreIgnored)
{
    Recorder twice, other;
    options->RegisterNotifyWindow(twice.Handle());
    options->RegisterNotifyWindow(twice.Handle());
    options->RegisterNotifyWindow(nullptr);  // no window: no slot, nothing posted to the thread
    options->UnregisterNotifyWindow(other.Handle());
    options->UnregisterNotifyWindow(nullptr);
    EXPECT_EQ(Take(twice), (std::vector<int>{ChangeAll, ChangeAll}));

    options->NotifyChange(ChangeDisplay);
    EXPECT_EQ(Take(twice), (std::vector<int>{ChangeDisplay, ChangeDisplay}));
    options->UnregisterNotifyWindow(twice.Handle());
    options->NotifyChange(ChangeDisplay);
    EXPECT_EQ(Take(twice), std::vector<int>{ChangeDisplay});
    options->UnregisterNotifyWindow(twice.Handle());
    options->NotifyChange(ChangeDisplay);
    EXPECT_TRUE(Take(twice).empty());
    EXPECT_TRUE(Take(other).empty());

    MSG stray;
    EXPECT_FALSE(::PeekMessageA(&stray, nullptr, WM_OPTIONS_CHANGED, WM_OPTIONS_CHANGED, PM_REMOVE));
}

TEST_F(OptionNotifications, AWindowGoneWithoutUnregisteringCostsNothing)
{
    Recorder stays;
    {
        Recorder gone;
        options->RegisterNotifyWindow(gone.Handle());
    }
    options->RegisterNotifyWindow(stays.Handle());
    options->NotifyChange(ChangePresets);
    EXPECT_EQ(Take(stays), (std::vector<int>{ChangeAll, ChangePresets}));
}

TEST_F(OptionNotifications, AutomaticSettingsAreAnnouncedByOneChangeAll)
{
    Recorder first, second;
    options->RegisterNotifyWindow(first.Handle());
    options->RegisterNotifyWindow(second.Handle());
    DeliverPending({&first, &second});
    first.masks.clear();
    second.masks.clear();

    options->SetCPUMonitoring(true);  // switched off on the way: still no message of its own
    DeliverPending({&first, &second});
    first.masks.clear();
    second.masks.clear();
    options->ApplyAutomaticSettings();
    EXPECT_FALSE(options->NotifySuspended());
    DeliverPending({&first, &second});
    EXPECT_EQ(first.masks, std::vector<int>{ChangeAll});
    EXPECT_EQ(second.masks, std::vector<int>{ChangeAll});
}

}  // namespace
