// The settings pages of the main window: what a click or a scroll on their
// elements does to the options, and how the elements show the options again.
// The window keeps no value of its own: every change goes through a setter,
// and the WM_OPTIONS_CHANGED it posts brings the stored, clamped value back
// here.
#include "ui/fMainForm.h"

#include "engine/uMemoryFigures.h"
#include "engine/uSizeText.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uOptionTable.h"
#include "toolkit/DebugOut.h"
#include "toolkit/WideText.h"
#include "ui/uKalvoraSkinHelper.h"
#include "ui/uSettingsSteps.h"
#include "ui/uSkinNames.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>

namespace {

// The pages whose idle options the shared idle elements show.
constexpr int RegularPage = 2;
constexpr int CriticalPage = 3;
constexpr int StartupPage = 4;

// Tray icon looks by their style number.
constexpr int StyleChart = 1;
constexpr int StyleNumber = 2;
constexpr int StyleBar = 3;

struct TIconChoice {
    int32_t Off, Bar, Chart, Number;
};
constexpr TIconChoice MemoryIconChoice{1101, 1102, 1103, 1104};
constexpr TIconChoice CpuIconChoice{1105, 1106, 1107, 1108};

template <class T>
void ShowText(T* element, const std::wstring& text)
{
    if (!element) return;
    element->SetText(text);
    if (auto* drawn = dynamic_cast<skin::ISkinElement*>(element)) drawn->Refresh();
}

void ShowPosition(skin::ISkinScrollBar* bar, int position)
{
    if (bar) bar->SetPosition(position);
}

std::wstring FreeUpText(int level) { return toolkit::WideFromAnsi(FreeUpSizeText(level)); }

void ShowChecked(skin::ISkinObject* root, int32_t id, bool checked)
{
    if (checked)
        CheckElement(root, id);
    else
        UncheckElement(root, id);
}

// The chosen button of a group gets the pressed look and the others lose it,
// in the order bar, chart, number, off. An element under one of the names
// that is no button ends the refresh here.
void ShowIconChoice(skin::ISkinObject* root, const TIconChoice& group, bool on, int style)
{
    int32_t chosen = group.Off;
    if (on && style == StyleChart)
        chosen = group.Chart;
    else if (on && style == StyleBar)
        chosen = group.Bar;
    else if (on && style == StyleNumber)
        chosen = group.Number;
    for (int32_t id : {group.Bar, group.Chart, group.Number, group.Off}) {
        if (id == chosen)
            PressButton(root, id);
        else
            ReleaseButton(root, id);
    }
}

void ChooseMemoryIcon(int style)
{
    Options->SetMemoryIconStyle(style);
    Options->SetMemoryIcon(true);
}

void ChooseCpuIcon(int style)
{
    Options->SetCPUIconStyle(style);
    Options->SetCPUMonitoring(true);
}

}  // namespace

bool TfrmMain::SettingsClickAction(int32_t id)
{
    if (!Options) return false;
    TKalvoraOptions& o = *Options;
    switch (id) {
    // The setters refuse a preset at the whole memory, which would free nothing.
    case 604: o.SetAmount1(static_cast<uint32_t>(o.Manual())); break;
    case 605: o.SetAmount2(static_cast<uint32_t>(o.Manual())); break;
    case 606: o.SetAmount3(static_cast<uint32_t>(o.Manual())); break;
    case 607: DefineHotkey(1); break;
    case 608: DefineHotkey(2); break;
    case 609: DefineHotkey(3); break;
    case 610: o.SetManual(static_cast<int>(o.Amount1())); break;
    case 611: o.SetManual(static_cast<int>(o.Amount2())); break;
    case 612: o.SetManual(static_cast<int>(o.Amount3())); break;
    case 805: o.SetRegular(!o.Regular()); break;
    case 905: o.SetCritical(!o.Critical()); break;
    case 1005: o.SetStartup(!o.Startup()); break;
    case 1101: o.SetMemoryIcon(false); break;
    case 1102: ChooseMemoryIcon(StyleBar); break;
    case 1103: ChooseMemoryIcon(StyleChart); break;
    case 1104: ChooseMemoryIcon(StyleNumber); break;
    case 1105: o.SetCPUMonitoring(false); break;
    case 1106: ChooseCpuIcon(StyleBar); break;
    case 1107: ChooseCpuIcon(StyleChart); break;
    case 1108: ChooseCpuIcon(StyleNumber); break;
    case 1109: o.SetProgramIcon(!o.ProgramIcon()); break;
    case 1301: o.SetBackgroundActivity(!o.BackgroundActivity()); break;
    case 1302: AskAutomaticSettings(); break;
    case 1405:
        // The idle options belong to the open page; other pages have none.
        if (CurrentPage_ == RegularPage)
            o.SetRegularIdleEnforce(!o.RegularIdleEnforce());
        else if (CurrentPage_ == CriticalPage)
            o.SetCriticalIdleEnforce(!o.CriticalIdleEnforce());
        else if (CurrentPage_ == StartupPage)
            o.SetStartupIdleEnforce(!o.StartupIdleEnforce());
        break;
    default: return false;
    }
    return true;
}

void TfrmMain::SkinScrollTrack(skin::ISkinObject* source, int newPos)
{
    if (source) ApplyScrollPosition(SkinNameToID(source->Name()), newPos);
    TrackApplied_ = true;
}

void TfrmMain::SkinScroll(skin::ISkinObject* source, int newPos)
{
    // A drag has applied every position already: its closing scroll adds
    // nothing. An arrow or a page click comes here alone.
    const bool applied = TrackApplied_;
    TrackApplied_ = false;
    if (!applied && source) ApplyScrollPosition(SkinNameToID(source->Name()), newPos);
}

void TfrmMain::ApplyScrollPosition(int32_t id, int position)
{
    if (!Options) return;
    TKalvoraOptions& o = *Options;
    switch (id) {
    case 301: o.SetManual(position); break;
    case 701: o.SetChartInterval(IntervalMsForPosition(position)); break;
    // The store keeps this level as given: a skin's own range must not
    // reach below the smallest level or above the whole memory.
    case 801: o.SetRegularFreeUpMB(ClampInt(position, 1, std::max(TotalPhysMB, 1))); break;
    case 802: o.SetRegularInterval(RegularMinutesForPosition(position)); break;
    case 901: o.SetCriticalFreeUpMB(position); break;
    case 903: o.SetCriticalTriggerMB(position); break;
    case 1001: o.SetStartupFreeUpMB(position); break;
    case 1003: o.SetStartupWait(position); break;
    case 1401:
        if (CurrentPage_ == RegularPage)
            o.SetRegularIdlePercent(position);
        else if (CurrentPage_ == CriticalPage)
            o.SetCriticalIdlePercent(position);
        else if (CurrentPage_ == StartupPage)
            o.SetStartupIdlePercent(position);
        break;
    case 1402:
        if (CurrentPage_ == RegularPage)
            o.SetRegularIdleSeconds(position);
        else if (CurrentPage_ == CriticalPage)
            o.SetCriticalIdleSeconds(position);
        else if (CurrentPage_ == StartupPage)
            o.SetStartupIdleSeconds(position);
        break;
    default: break;
    }
}

void TfrmMain::RefreshFromOptions(int changeMask)
{
    if (!Options) return;
    // A skin whose tray choice is no button cannot show the pressed look:
    // the rest of this refresh is skipped, and nothing more. The refresh
    // also runs inside a timer tick and a skin switch, which must go on.
    try {
        ShowChartMarkers();
        if (changeMask & ChangePresets) ShowPresets();
        if (changeMask & ChangeDisplay) ShowDisplay();
        if (changeMask & ChangeRegular) ShowRegular();
        if (changeMask & ChangeCritical) ShowCritical();
        if (changeMask & ChangeStartup) ShowStartup();
    } catch (const std::exception& error) {
        toolkit::DebugOut(std::string("Settings not shown: ") + error.what());
    }
}

void TfrmMain::ShowChartMarkers()
{
    const TKalvoraOptions& o = *Options;
    // The chart draws levels from 0 up; the one unclamped level may be below.
    auto level = [](int mb) { return static_cast<uint32_t>(std::max(mb, 0)); };
    TPerformanceChart& chart = PerformanceChart_;
    switch (CurrentPage_) {
    case 1: chart.SetAdjustValue(level(o.Manual())); break;
    case RegularPage: chart.SetAdjustValue(level(o.RegularFreeUpMB())); break;
    case CriticalPage:
        chart.SetAdjustValue(level(o.CriticalFreeUpMB()));
        chart.SetAdjustValue2(level(o.CriticalTriggerMB()));
        break;
    case StartupPage: chart.SetAdjustValue(level(o.StartupFreeUpMB())); break;
    default: break;
    }
    chart.SetShowAdjust(CurrentPage_ >= 1 && CurrentPage_ <= 4);
    chart.SetShowAdjust2(CurrentPage_ == CriticalPage);
    RepaintChart();
}

void TfrmMain::ShowPresets()
{
    const TKalvoraOptions& o = *Options;
    const TMainElements& e = Elements_;
    ShowPosition(e.ManualScroll, o.Manual());
    ShowText(e.ManualAmount, FreeUpText(o.Manual()));
    const std::array<uint32_t, 3> amounts{o.Amount1(), o.Amount2(), o.Amount3()};
    for (size_t i = 0; i < amounts.size(); ++i) {
        const std::wstring text = FreeUpText(static_cast<int>(amounts[i]));
        ShowText(e.Presets[i], text);
        ShowText(e.SetValues[i], text);
    }
}

void TfrmMain::ShowDisplay()
{
    const TKalvoraOptions& o = *Options;
    const TMainElements& e = Elements_;
    ShowText(e.IntervallAmount, IntervalText(o.ChartInterval()));
    ShowPosition(e.IntervallScroll, IntervalPositionForMs(o.ChartInterval()));
    ShowIconChoice(RootObject_, CpuIconChoice, o.CPUMonitoring(), o.CPUIconStyle());
    ShowIconChoice(RootObject_, MemoryIconChoice, o.MemoryIcon(), o.MemoryIconStyle());
    ShowChecked(RootObject_, 1109, o.ProgramIcon());
    ShowChecked(RootObject_, 1301, o.BackgroundActivity());
}

void TfrmMain::ShowRegular()
{
    const TKalvoraOptions& o = *Options;
    const TMainElements& e = Elements_;
    ShowPosition(e.RegularScroll, o.RegularFreeUpMB());
    ShowText(e.RegularAmount, FreeUpText(o.RegularFreeUpMB()));
    ShowPosition(e.RegularAdjustScroll, RegularPositionForMinutes(o.RegularInterval()));
    ShowText(e.RegularAdjust, RegularIntervalText(o.RegularInterval()));
    ShowChecked(RootObject_, 805, o.Regular());
    ShowText(e.NextRegularText, NextRegularText(o.Regular(), o.NextRegularTime()));
    if (CurrentPage_ == RegularPage)
        ShowIdleOptions(o.RegularIdleSeconds(), o.RegularIdlePercent(), o.RegularIdleEnforce());
}

void TfrmMain::ShowCritical()
{
    const TKalvoraOptions& o = *Options;
    const TMainElements& e = Elements_;
    ShowPosition(e.CriticalScroll, o.CriticalFreeUpMB());
    ShowText(e.CriticalAmount, FreeUpText(o.CriticalFreeUpMB()));
    ShowPosition(e.CriticalAdjustScroll, o.CriticalTriggerMB());
    // The trigger is memory in use: the level itself, not what it frees.
    ShowText(e.CriticalAdjust, toolkit::WideFromAnsi(SizeText(o.CriticalTriggerMB())));
    ShowChecked(RootObject_, 905, o.Critical());
    if (CurrentPage_ == CriticalPage)
        ShowIdleOptions(o.CriticalIdleSeconds(), o.CriticalIdlePercent(), o.CriticalIdleEnforce());
}

void TfrmMain::ShowStartup()
{
    const TKalvoraOptions& o = *Options;
    const TMainElements& e = Elements_;
    ShowPosition(e.StartupScroll, o.StartupFreeUpMB());
    ShowText(e.StartupAmount, FreeUpText(o.StartupFreeUpMB()));
    ShowPosition(e.StartupAdjustScroll, o.StartupWait());
    ShowText(e.StartupAdjust, StartupWaitText(o.StartupWait()));
    ShowChecked(RootObject_, 1005, o.Startup());
    if (CurrentPage_ == StartupPage)
        ShowIdleOptions(o.StartupIdleSeconds(), o.StartupIdlePercent(), o.StartupIdleEnforce());
}

void TfrmMain::ShowIdleOptions(int seconds, int percent, bool enforce)
{
    const TMainElements& e = Elements_;
    ShowPosition(e.IdleTimeScroll, seconds);
    ShowPosition(e.IdleCpuScroll, percent);
    ShowText(e.IdleTimeText, IdleTimeText(seconds));
    ShowText(e.IdleCpuText, IdleCpuText(percent));
    ShowChecked(RootObject_, 1405, enforce);
}
