#pragma once
// Every stored option declared once: its registry name, default, range, the
// rule its setter applies and the change bit it notifies. The table is in the
// order the options are saved.
#include <cstddef>

// Change mask bits of WM_OPTIONS_CHANGED.
constexpr int ChangeDisplay = 1;
constexpr int ChangePresets = 2;
constexpr int ChangeRegular = 4;
constexpr int ChangeCritical = 8;
constexpr int ChangeStartup = 16;
constexpr int ChangeFreeAndRun = 32;
constexpr int ChangeAll = 63;

enum class TOptionId {
    CPUMonitoring, ChartInterval, Manual, MemoryIcon, MemoryIconStyle, CPUIconStyle, ProgramIcon,
    CriticalIdle, CriticalIdlePercent, CriticalIdleEnforce, CriticalIdleSeconds, CriticalFreeUpMB,
    CriticalTriggerMB, Critical,
    RegularInterval, RegularIdle, RegularIdlePercent, RegularIdleEnforce, RegularIdleSeconds, RegularFreeUpMB,
    Regular,
    StartupIdle, StartupIdlePercent, StartupIdleEnforce, StartupIdleSeconds, StartupFreeUpMB, StartupWait, Startup,
    Skin, BackgroundActivity, Amount1, Amount2, Amount3, Hotkey1, Hotkey2, Hotkey3,
};
constexpr size_t OptionCount = static_cast<size_t>(TOptionId::Hotkey3) + 1;

enum class TOptionKind { Bool, Int, Text };

enum class TOptionRule {
    None,              // stored as given
    Clamp,             // into Low..High, Low tested first
    AcceptBelowTotal,  // taken only when, as an unsigned number, below TotalPhysMB
};

// The critical pair keeps its level at or below its trigger: setting one
// side may move the other along.
enum class TPartnerRule { None, PartnerNotBelow, PartnerNotAbove };

// What Load reads when: the values, then the skin, then the hotkeys. A first
// start (automatic settings) skips the values but still reads the rest.
enum class TLoadStep { Values, Skin, Hotkeys };

// A bound that may follow the machine's total memory.
struct TLimit {
    int Constant = 0;
    bool PlusTotal = false;
    int Of(int total) const { return Constant + (PlusTotal ? total : 0); }
};

struct TOptionRow {
    TOptionId Id;
    const char* Name;
    TOptionKind Kind;
    int (*Default)(int total);        // Bool and Int rows; bools as 0/1
    const char* TextDefault;          // Text rows
    TOptionRule Rule;
    TLimit Low, High;
    TPartnerRule PartnerRule;
    TOptionId Partner;
    int Change;
    bool NotifyOnlyWhenChanged;
    TLoadStep LoadStep;
};

extern const TOptionRow OptionRows[OptionCount];
inline const TOptionRow& OptionRow(TOptionId id) { return OptionRows[static_cast<size_t>(id)]; }

// Not an option kept in memory: true until the first save, and then the
// stored values are not read but set automatically.
inline const char* const UseDefaultsName = "Use Defaults";
constexpr bool UseDefaultsDefault = true;
