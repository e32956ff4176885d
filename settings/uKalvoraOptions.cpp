#include "settings/uKalvoraOptions.h"

#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "engine/uSizeText.h"
#include "settings/uRegistry.h"
#include "toolkit/DebugOut.h"

#include <algorithm>
#include <exception>

TKalvoraOptions::TKalvoraOptions(std::string key)
    : key_(std::move(key)), freeAndRunList_(std::make_unique<TFreeAndRunList>())
{
    Load();
}

TKalvoraOptions::~TKalvoraOptions()
{
    if (!SaveWhenDestroyed) return;
    try {
        Save();
    } catch (const std::exception& error) {
        toolkit::DebugOut(std::string("Kalvora: the options were not saved: ") + error.what());
    }
}

int TKalvoraOptions::Value(TOptionId id) const
{
    if (id == TOptionId::CPUMonitoring) return CpuHistory ? 1 : 0;
    return values_[static_cast<size_t>(id)];
}

void TKalvoraOptions::SetValue(TOptionId id, int value)
{
    const TOptionRow& row = OptionRow(id);
    if (row.Kind == TOptionKind::Text) return;  // Skin has a setter of its own
    if (row.Kind == TOptionKind::Bool) value = value != 0;

    const int total = TotalPhysMB;
    switch (row.Rule) {
    case TOptionRule::None: break;
    case TOptionRule::Clamp: value = ClampInt(value, row.Low.Of(total), row.High.Of(total)); break;
    case TOptionRule::AcceptBelowTotal:
        if (total <= 0 || static_cast<uint32_t>(value) >= static_cast<uint32_t>(total)) return;
        break;
    }

    const bool changed = value != Value(id);
    if (id == TOptionId::CPUMonitoring) {
        // The history is the switch: a new one starts empty, an old one is dropped.
        if (changed) CpuHistory = value ? std::make_unique<TIntArray>(0) : nullptr;
    } else {
        values_[static_cast<size_t>(id)] = value;
    }

    int& partner = values_[static_cast<size_t>(row.Partner)];
    if (row.PartnerRule == TPartnerRule::PartnerNotBelow && partner < value) partner = value;
    if (row.PartnerRule == TPartnerRule::PartnerNotAbove && partner > value) partner = value;

    Notify(row, changed);
}

void TKalvoraOptions::SetSkin(const std::string& skin)
{
    const bool changed = skin != skin_;
    skin_ = skin;
    Notify(OptionRow(TOptionId::Skin), changed);
}

void TKalvoraOptions::SetNextRegularTime(double when)
{
    nextRegularTime_ = when;
    NotifyChange(ChangeRegular);
}

void TKalvoraOptions::Notify(const TOptionRow& row, bool changed) const
{
    if (changed || !row.NotifyOnlyWhenChanged) NotifyChange(row.Change);
}

void TKalvoraOptions::ReadOption(const TOptionRow& row)
{
    switch (row.Kind) {
    case TOptionKind::Bool: SetValue(row.Id, ReadRegBool(key_, row.Name, row.Default(TotalPhysMB) != 0)); break;
    case TOptionKind::Int: SetValue(row.Id, ReadRegInteger(key_, row.Name, row.Default(TotalPhysMB))); break;
    case TOptionKind::Text: SetSkin(ReadRegString(key_, row.Name, row.TextDefault)); break;
    }
}

void TKalvoraOptions::WriteOption(const TOptionRow& row) const
{
    switch (row.Kind) {
    case TOptionKind::Bool: WriteRegBool(key_, row.Name, Value(row.Id) != 0); break;
    case TOptionKind::Int: WriteRegInteger(key_, row.Name, Value(row.Id)); break;
    case TOptionKind::Text: WriteRegString(key_, row.Name, skin_); break;
    }
}

void TKalvoraOptions::Load()
{
    const bool firstStart = ReadRegBool(key_, UseDefaultsName, UseDefaultsDefault);
    if (firstStart) ApplyAutomaticSettings();
    // The stored values in table order: the critical level is applied before
    // its trigger, so a stored level above the trigger ends equal to it.
    for (TLoadStep step : {TLoadStep::Values, TLoadStep::Skin, TLoadStep::Hotkeys}) {
        if (step == TLoadStep::Values && firstStart) continue;
        for (const TOptionRow& row : OptionRows)
            if (row.LoadStep == step) ReadOption(row);
    }
    freeAndRunList_->LoadFromRegistry(key_);
}

void TKalvoraOptions::Save() const
{
    WriteRegBool(key_, UseDefaultsName, false);
    for (const TOptionRow& row : OptionRows) WriteOption(row);
    if (Startup())
        WriteRegString(RunKey, AutostartValueName, AutostartCommand());
    else
        DeleteRegValue(RunKey, AutostartValueName);
    freeAndRunList_->SaveToRegistry(key_);
}

void TKalvoraOptions::AddFreeAndRunItem(std::unique_ptr<TFreeAndRunItem> entry)
{
    freeAndRunList_->Add(std::move(entry));
    NotifyChange(ChangeFreeAndRun);
}

void TKalvoraOptions::NotifyChange(int mask) const
{
    if (notifySuspended_) return;
    for (HWND window : notifyWindows_)
        if (window) ::PostMessageA(window, WM_OPTIONS_CHANGED, static_cast<WPARAM>(mask), 0);
}

void TKalvoraOptions::RegisterNotifyWindow(HWND window)
{
    // A null handle would post to this thread's queue instead of a window.
    if (!window) return;
    auto slot = std::find(notifyWindows_.begin(), notifyWindows_.end(), nullptr);
    if (slot == notifyWindows_.end()) return;
    *slot = window;
    ::PostMessageA(window, WM_OPTIONS_CHANGED, ChangeAll, 0);
}

void TKalvoraOptions::UnregisterNotifyWindow(HWND window)
{
    if (!window) return;
    auto slot = std::find(notifyWindows_.begin(), notifyWindows_.end(), window);
    if (slot != notifyWindows_.end()) *slot = nullptr;
}
