#pragma once
// Every user setting, held in memory while the program runs. Loaded from the
// options key when created, written back by Save (engine close) and again
// when destroyed. Every change goes through a setter, which applies the
// option's rule (clamp or refuse, never an error) and posts
// WM_OPTIONS_CHANGED with the option's change bit to the registered windows.
// User-interface thread only.
#include "freeandrun/uFreeAndRunList.h"
#include "settings/uOptionTable.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

inline const char* const OptionsKey = "HKEY_CURRENT_USER\\Software\\Orlandek\\Kalvora Professional 5";
// Where Windows finds the autostart command, and its value name.
inline const char* const RunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const char* const AutostartValueName = "Kalvora Pro";

constexpr int MaxNotifyWindows = 10;

class TKalvoraOptions {
public:
    // Loads at once; TotalPhysMB must be known. The key is the options key
    // unless tests point it elsewhere.
    explicit TKalvoraOptions(std::string key = OptionsKey);
    // Saves once more. A save that fails is reported to the debug output only:
    // the program is ending and has nobody left to tell.
    virtual ~TKalvoraOptions();
    TKalvoraOptions(const TKalvoraOptions&) = delete;
    TKalvoraOptions& operator=(const TKalvoraOptions&) = delete;

    // Off in a process that only told another instance what to do: its
    // copy of the settings is stale and must not overwrite theirs.
    bool SaveWhenDestroyed = true;

    void Load();
    // Raises toolkit::Error when the registry refuses a write; the values
    // after that one are not written.
    void Save() const;
    const std::string& Key() const { return key_; }

    // Any option but Skin, by its id: bools as 0 and 1.
    int Value(TOptionId id) const;
    void SetValue(TOptionId id, int value);

    bool CPUMonitoring() const { return Value(TOptionId::CPUMonitoring) != 0; }
    void SetCPUMonitoring(bool on) { SetValue(TOptionId::CPUMonitoring, on); }
    int ChartInterval() const { return Value(TOptionId::ChartInterval); }
    void SetChartInterval(int ms) { SetValue(TOptionId::ChartInterval, ms); }
    int Manual() const { return Value(TOptionId::Manual); }
    void SetManual(int level) { SetValue(TOptionId::Manual, level); }
    bool MemoryIcon() const { return Value(TOptionId::MemoryIcon) != 0; }
    void SetMemoryIcon(bool on) { SetValue(TOptionId::MemoryIcon, on); }
    int MemoryIconStyle() const { return Value(TOptionId::MemoryIconStyle); }
    void SetMemoryIconStyle(int style) { SetValue(TOptionId::MemoryIconStyle, style); }
    int CPUIconStyle() const { return Value(TOptionId::CPUIconStyle); }
    void SetCPUIconStyle(int style) { SetValue(TOptionId::CPUIconStyle, style); }
    bool ProgramIcon() const { return Value(TOptionId::ProgramIcon) != 0; }
    void SetProgramIcon(bool on) { SetValue(TOptionId::ProgramIcon, on); }
    bool BackgroundActivity() const { return Value(TOptionId::BackgroundActivity) != 0; }
    void SetBackgroundActivity(bool on) { SetValue(TOptionId::BackgroundActivity, on); }

    bool CriticalIdle() const { return Value(TOptionId::CriticalIdle) != 0; }
    void SetCriticalIdle(bool on) { SetValue(TOptionId::CriticalIdle, on); }
    int CriticalIdlePercent() const { return Value(TOptionId::CriticalIdlePercent); }
    void SetCriticalIdlePercent(int percent) { SetValue(TOptionId::CriticalIdlePercent, percent); }
    bool CriticalIdleEnforce() const { return Value(TOptionId::CriticalIdleEnforce) != 0; }
    void SetCriticalIdleEnforce(bool on) { SetValue(TOptionId::CriticalIdleEnforce, on); }
    int CriticalIdleSeconds() const { return Value(TOptionId::CriticalIdleSeconds); }
    void SetCriticalIdleSeconds(int seconds) { SetValue(TOptionId::CriticalIdleSeconds, seconds); }
    int CriticalFreeUpMB() const { return Value(TOptionId::CriticalFreeUpMB); }
    void SetCriticalFreeUpMB(int level) { SetValue(TOptionId::CriticalFreeUpMB, level); }
    int CriticalTriggerMB() const { return Value(TOptionId::CriticalTriggerMB); }
    void SetCriticalTriggerMB(int mb) { SetValue(TOptionId::CriticalTriggerMB, mb); }
    bool Critical() const { return Value(TOptionId::Critical) != 0; }
    void SetCritical(bool on) { SetValue(TOptionId::Critical, on); }

    int RegularInterval() const { return Value(TOptionId::RegularInterval); }
    void SetRegularInterval(int minutes) { SetValue(TOptionId::RegularInterval, minutes); }
    bool RegularIdle() const { return Value(TOptionId::RegularIdle) != 0; }
    void SetRegularIdle(bool on) { SetValue(TOptionId::RegularIdle, on); }
    int RegularIdlePercent() const { return Value(TOptionId::RegularIdlePercent); }
    void SetRegularIdlePercent(int percent) { SetValue(TOptionId::RegularIdlePercent, percent); }
    bool RegularIdleEnforce() const { return Value(TOptionId::RegularIdleEnforce) != 0; }
    void SetRegularIdleEnforce(bool on) { SetValue(TOptionId::RegularIdleEnforce, on); }
    int RegularIdleSeconds() const { return Value(TOptionId::RegularIdleSeconds); }
    void SetRegularIdleSeconds(int seconds) { SetValue(TOptionId::RegularIdleSeconds, seconds); }
    int RegularFreeUpMB() const { return Value(TOptionId::RegularFreeUpMB); }
    void SetRegularFreeUpMB(int level) { SetValue(TOptionId::RegularFreeUpMB, level); }
    bool Regular() const { return Value(TOptionId::Regular) != 0; }
    void SetRegular(bool on) { SetValue(TOptionId::Regular, on); }
    // When the next regular free-up is due, in days; kept by the engine, not stored.
    double NextRegularTime() const { return nextRegularTime_; }
    void SetNextRegularTime(double when);

    bool StartupIdle() const { return Value(TOptionId::StartupIdle) != 0; }
    void SetStartupIdle(bool on) { SetValue(TOptionId::StartupIdle, on); }
    int StartupIdlePercent() const { return Value(TOptionId::StartupIdlePercent); }
    void SetStartupIdlePercent(int percent) { SetValue(TOptionId::StartupIdlePercent, percent); }
    bool StartupIdleEnforce() const { return Value(TOptionId::StartupIdleEnforce) != 0; }
    void SetStartupIdleEnforce(bool on) { SetValue(TOptionId::StartupIdleEnforce, on); }
    int StartupIdleSeconds() const { return Value(TOptionId::StartupIdleSeconds); }
    void SetStartupIdleSeconds(int seconds) { SetValue(TOptionId::StartupIdleSeconds, seconds); }
    int StartupFreeUpMB() const { return Value(TOptionId::StartupFreeUpMB); }
    void SetStartupFreeUpMB(int level) { SetValue(TOptionId::StartupFreeUpMB, level); }
    int StartupWait() const { return Value(TOptionId::StartupWait); }
    void SetStartupWait(int seconds) { SetValue(TOptionId::StartupWait, seconds); }
    bool Startup() const { return Value(TOptionId::Startup) != 0; }
    void SetStartup(bool on) { SetValue(TOptionId::Startup, on); }

    const std::string& Skin() const { return skin_; }
    void SetSkin(const std::string& skin);

    // Free-up levels of the presets, 0..TotalPhysMB-1; other values are refused.
    uint32_t Amount1() const { return static_cast<uint32_t>(Value(TOptionId::Amount1)); }
    void SetAmount1(uint32_t level) { SetValue(TOptionId::Amount1, static_cast<int>(level)); }
    uint32_t Amount2() const { return static_cast<uint32_t>(Value(TOptionId::Amount2)); }
    void SetAmount2(uint32_t level) { SetValue(TOptionId::Amount2, static_cast<int>(level)); }
    uint32_t Amount3() const { return static_cast<uint32_t>(Value(TOptionId::Amount3)); }
    void SetAmount3(uint32_t level) { SetValue(TOptionId::Amount3, static_cast<int>(level)); }

    int Hotkey1() const { return Value(TOptionId::Hotkey1); }
    void SetHotkey1(int code) { SetValue(TOptionId::Hotkey1, code); }
    int Hotkey2() const { return Value(TOptionId::Hotkey2); }
    void SetHotkey2(int code) { SetValue(TOptionId::Hotkey2, code); }
    int Hotkey3() const { return Value(TOptionId::Hotkey3); }
    void SetHotkey3(int code) { SetValue(TOptionId::Hotkey3, code); }

    TFreeAndRunList& FreeAndRunList() { return *freeAndRunList_; }
    const TFreeAndRunList& FreeAndRunList() const { return *freeAndRunList_; }
    // Appends the entry (the list owns it) and notifies ChangeFreeAndRun.
    void AddFreeAndRunItem(std::unique_ptr<TFreeAndRunItem> entry);

    // Posts WM_OPTIONS_CHANGED (wParam = mask) to every registered window,
    // unless notification is suspended.
    void NotifyChange(int mask) const;
    bool NotifySuspended() const { return notifySuspended_; }
    void SetNotifySuspended(bool suspended) { notifySuspended_ = suspended; }
    // Takes the first free of ten slots and posts ChangeAll to the window at
    // once, suspended or not; with all slots taken it does nothing.
    void RegisterNotifyWindow(HWND window);
    // Frees the first slot holding the window.
    void UnregisterNotifyWindow(HWND window);
    const std::array<HWND, MaxNotifyWindows>& NotifyWindows() const { return notifyWindows_; }

    // Every option set from the machine's memory size, then one ChangeAll.
    void ApplyAutomaticSettings();

    // "<program path>" autostart: the command Windows runs at logon.
    std::string AutostartCommand() const;
    // The skin file to load (a bare name is looked for beside the program),
    // or an empty text when that file does not exist.
    std::string SkinFilePath() const;

private:
    void Notify(const TOptionRow& row, bool changed) const;
    void ReadOption(const TOptionRow& row);
    void WriteOption(const TOptionRow& row) const;

    std::string key_;
    std::array<int, OptionCount> values_{};  // Skin and CPU monitoring are kept elsewhere
    std::string skin_;
    double nextRegularTime_ = 0;
    std::array<HWND, MaxNotifyWindows> notifyWindows_{};
    bool notifySuspended_ = false;
    std::unique_ptr<TFreeAndRunList> freeAndRunList_;
};

// The one options object: created at process start after the memory figures,
// destroyed at process end before the histories (see uKalvoraOptionsInit).
extern std::unique_ptr<TKalvoraOptions> Options;
