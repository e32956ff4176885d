// Settings derived from the machine's memory size: on a first start, and when
// the user asks for them in the main window.
#include "engine/uMemoryFigures.h"
#include "settings/uKalvoraOptions.h"

#include <cstdint>

namespace {

struct TAutomaticValue {
    TOptionId Option;
    // Of the total MB; products are formed before the division.
    uint64_t Multiplier;
    uint64_t Divisor;
    int Constant;

    int Of(int total) const
    {
        if (Divisor == 0) return Constant;
        return static_cast<int>(static_cast<uint64_t>(total) * Multiplier / Divisor);
    }
};

constexpr TAutomaticValue Fixed(TOptionId option, int value) { return {option, 0, 0, value}; }
constexpr TAutomaticValue OfTotal(TOptionId option, uint64_t multiplier, uint64_t divisor)
{
    return {option, multiplier, divisor, 0};
}

using Id = TOptionId;

// In this order: the critical level comes before its trigger, so the pair
// ends at exactly these two values whatever it held before.
constexpr TAutomaticValue AutomaticValues[] = {
    Fixed(Id::Startup, true),
    Fixed(Id::StartupIdlePercent, 25),
    Fixed(Id::StartupIdleSeconds, 60),
    Fixed(Id::StartupIdleEnforce, true),
    OfTotal(Id::StartupFreeUpMB, 1, 2),
    Fixed(Id::StartupWait, 5),
    Fixed(Id::Regular, true),
    Fixed(Id::RegularIdlePercent, 25),
    Fixed(Id::RegularIdleSeconds, 60),
    Fixed(Id::RegularIdleEnforce, false),
    OfTotal(Id::RegularFreeUpMB, 1, 2),
    Fixed(Id::RegularInterval, 60),
    Fixed(Id::Critical, true),
    Fixed(Id::CriticalIdlePercent, 50),
    Fixed(Id::CriticalIdleSeconds, 10),
    Fixed(Id::CriticalIdleEnforce, true),
    OfTotal(Id::CriticalFreeUpMB, 6, 10),
    OfTotal(Id::CriticalTriggerMB, 8, 10),
    OfTotal(Id::Amount1, 1, 2),
    OfTotal(Id::Amount2, 4, 10),
    OfTotal(Id::Amount3, 2, 10),
    Fixed(Id::BackgroundActivity, true),
    Fixed(Id::MemoryIcon, true),
    Fixed(Id::ChartInterval, 1000),
    OfTotal(Id::Manual, 1, 2),
    Fixed(Id::CPUMonitoring, false),
    Fixed(Id::CPUIconStyle, 2),     // number
    Fixed(Id::MemoryIconStyle, 2),  // number
    Fixed(Id::ProgramIcon, false),
};

}  // namespace

void TKalvoraOptions::ApplyAutomaticSettings()
{
    // The idle switches, hotkeys, skin and free-and-run entries stay as they are.
    SetNotifySuspended(true);
    for (const TAutomaticValue& automatic : AutomaticValues) SetValue(automatic.Option, automatic.Of(TotalPhysMB));
    SetNotifySuspended(false);
    NotifyChange(ChangeAll);
}
