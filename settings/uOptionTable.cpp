#include "settings/uOptionTable.h"

namespace {

template <int N>
int Fixed(int) { return N; }

constexpr TLimit Total{0, true};
constexpr TLimit NoLimit{};

using Id = TOptionId;
using Kind = TOptionKind;
using Rule = TOptionRule;
using Pair = TPartnerRule;
using Step = TLoadStep;

constexpr TOptionRow Flag(Id id, const char* name, int (*byDefault)(int), int change)
{
    return {id, name, Kind::Bool, byDefault, nullptr, Rule::None, NoLimit, NoLimit, Pair::None, id, change, false,
            Step::Values};
}

constexpr TOptionRow Clamped(Id id, const char* name, int (*byDefault)(int), TLimit low, TLimit high, int change)
{
    return {id, name, Kind::Int, byDefault, nullptr, Rule::Clamp, low, high, Pair::None, id, change, false,
            Step::Values};
}

constexpr TOptionRow WithPartner(TOptionRow row, Pair rule, Id partner)
{
    row.PartnerRule = rule;
    row.Partner = partner;
    return row;
}

constexpr TOptionRow OnlyWhenChanged(TOptionRow row)
{
    row.NotifyOnlyWhenChanged = true;
    return row;
}

constexpr TOptionRow Amount(Id id, const char* name, int (*byDefault)(int))
{
    return {id, name, Kind::Int, byDefault, nullptr, Rule::AcceptBelowTotal, NoLimit, NoLimit, Pair::None, id,
            ChangePresets, false, Step::Values};
}

constexpr TOptionRow Hotkey(Id id, const char* name, int (*byDefault)(int))
{
    return {id, name, Kind::Int, byDefault, nullptr, Rule::None, NoLimit, NoLimit, Pair::None, id,
            ChangePresets, true, Step::Hotkeys};
}

}  // namespace

constexpr TOptionRow OptionRows[OptionCount] = {
    // CPU monitoring is on while the CPU history exists; switching it is the change.
    OnlyWhenChanged(Flag(Id::CPUMonitoring, "CPU Monitoring", Fixed<0>, ChangeDisplay)),
    Clamped(Id::ChartInterval, "Chart Interval", Fixed<2000>, {250}, {60000}, ChangeDisplay),
    OnlyWhenChanged(Clamped(Id::Manual, "Manual", Fixed<0>, {1}, Total, ChangePresets)),
    Flag(Id::MemoryIcon, "MemoryIcon", Fixed<1>, ChangeDisplay),
    Clamped(Id::MemoryIconStyle, "MemoryIconStyle", Fixed<1>, {1}, {3}, ChangeDisplay),
    Clamped(Id::CPUIconStyle, "CPUIconStyle", Fixed<1>, {1}, {3}, ChangeDisplay),
    Flag(Id::ProgramIcon, "ProgramIcon", Fixed<0>, ChangeDisplay),

    Flag(Id::CriticalIdle, "CriticalIdle", Fixed<1>, ChangeCritical),
    Clamped(Id::CriticalIdlePercent, "CriticalIdlePercent", Fixed<50>, {1}, {100}, ChangeCritical),
    Flag(Id::CriticalIdleEnforce, "CriticalIdleEnforce", Fixed<1>, ChangeCritical),
    Clamped(Id::CriticalIdleSeconds, "CriticalIdleSeconds", Fixed<10>, {1}, {60}, ChangeCritical),
    WithPartner(Clamped(Id::CriticalFreeUpMB, "CriticalFreeUpMB", [](int t) { return t / 10; }, {1}, Total,
                        ChangeCritical),
                Pair::PartnerNotBelow, Id::CriticalTriggerMB),
    WithPartner(Clamped(Id::CriticalTriggerMB, "CriticalTriggerMB", [](int t) { return t / 10 * 9; }, {1}, Total,
                        ChangeCritical),
                Pair::PartnerNotAbove, Id::CriticalFreeUpMB),
    Flag(Id::Critical, "Critical", Fixed<1>, ChangeCritical),

    Clamped(Id::RegularInterval, "RegularInterval", Fixed<1800>, {1}, {1440}, ChangeRegular),
    Flag(Id::RegularIdle, "RegularIdle", Fixed<1>, ChangeRegular),
    Clamped(Id::RegularIdlePercent, "RegularIdlePercent", Fixed<25>, {1}, {100}, ChangeRegular),
    Flag(Id::RegularIdleEnforce, "RegularIdleEnforce", Fixed<0>, ChangeRegular),
    Clamped(Id::RegularIdleSeconds, "RegularIdleSeconds", Fixed<60>, {1}, {60}, ChangeRegular),
    {Id::RegularFreeUpMB, "RegularFreeUpMB", Kind::Int, [](int t) { return t / 2; }, nullptr, Rule::None, NoLimit,
     NoLimit, Pair::None, Id::RegularFreeUpMB, ChangeRegular, false, Step::Values},
    Flag(Id::Regular, "Regular", Fixed<1>, ChangeRegular),

    Flag(Id::StartupIdle, "StartupIdle", Fixed<1>, ChangeStartup),
    Clamped(Id::StartupIdlePercent, "StartupIdlePercent", Fixed<25>, {1}, {100}, ChangeStartup),
    Flag(Id::StartupIdleEnforce, "StartupIdleEnforce", Fixed<0>, ChangeStartup),
    Clamped(Id::StartupIdleSeconds, "StartupIdleSeconds", Fixed<60>, {1}, {60}, ChangeStartup),
    Clamped(Id::StartupFreeUpMB, "StartupFreeUpMB", [](int t) { return t / 2; }, {1}, Total, ChangeStartup),
    Clamped(Id::StartupWait, "StartupWait", Fixed<0>, {0}, {120}, ChangeStartup),
    Flag(Id::Startup, "Startup", Fixed<1>, ChangeStartup),

    {Id::Skin, "Skin", Kind::Text, nullptr, "default.skn", Rule::None, NoLimit, NoLimit, Pair::None, Id::Skin,
     ChangeDisplay, false, Step::Skin},
    Flag(Id::BackgroundActivity, "BackgroundActivity", Fixed<1>, ChangeDisplay),
    Amount(Id::Amount1, "Amount1", [](int t) { return t / 10 * 5; }),
    Amount(Id::Amount2, "Amount2", [](int t) { return t / 10 * 4; }),
    Amount(Id::Amount3, "Amount3", [](int t) { return t / 10 * 3; }),
    // Shortcut codes: virtual key in bits 0-7, Shift 0x2000, Ctrl 0x4000, Alt 0x8000.
    Hotkey(Id::Hotkey1, "Hotkey1", Fixed<0xC044>),  // Ctrl+Alt+D
    Hotkey(Id::Hotkey2, "Hotkey2", Fixed<0xC046>),  // Ctrl+Alt+F
    Hotkey(Id::Hotkey3, "Hotkey3", Fixed<0xC047>),  // Ctrl+Alt+G
};

// The rows are looked up by their Id: each must sit at its own index.
static_assert([] {
    for (size_t i = 0; i < OptionCount; ++i)
        if (static_cast<size_t>(OptionRows[i].Id) != i) return false;
    return true;
}());
