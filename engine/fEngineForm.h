#pragma once
// The engine: a window that is never shown, captioned "Memory Engine" so that
// other instances find it. It owns the one free-up worker, decides when a
// free-up runs (by hand, at a regular interval, when memory is critically
// used, once after an autostart), samples memory and CPU on a 250 ms timer,
// keeps the tray icons, the tray menu and the status in step with the
// options, and ends the program when it closes.
//
// Everything runs on the main thread; the worker reports by posted messages.
#include "engine/uEngineStatus.h"
#include "settings/uPresetHotkeys.h"
#include "toolkit/PopupMenu.h"
#include "toolkit/Window.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TFreeThread;
class TTrayIcon;
class TTrayIconMemory;
class TTrayIconCPU;
class TTrayIconResource;
class TfrmFARLaunch;
class TFreeAndRunItem;
class TfrmMain;
class TfrmFreeAndRun;

// The engine's contact with the clock, the memory and the worker, replaceable
// by tests (a schedule at 10:15:40, memory above the critical trigger, a
// release that fails).
struct TEngineEnvironment {
    std::function<double()> Now;                   // local date-time in days
    std::function<uint64_t()> AvailPhysBytes;
    std::function<std::unique_ptr<TFreeThread>()> CreateWorker;  // suspended
    // Starts a free-and-run program through the shell's "open" verb, which
    // may run a message loop of its own (a dialog of the shell).
    std::function<void(const std::string& file)> OpenProgram;
};
TEngineEnvironment DefaultEngineEnvironment();

// The largest amount one free-up may take: a 32-bit program's address space
// holds no larger block, a 64-bit one is bounded by the machine's memory.
int MaxFreeUpMB();
// What a requested amount becomes, 0 meaning no free-up: nothing for 0 MB or
// less; above the bound, the 32-bit program frees its bound (a preset aimed
// at half of a large machine's memory still frees what it can), the 64-bit
// one nothing.
int BoundedFreeUpMB(int64_t requestedMB);

// Menu command ids of the tray menu.
enum TEngineCommand : UINT {
    cmdShowKalvora = 100,
    cmdFreeAndRun,
    cmdEditEntries,
    cmdBackgroundActivity,
    cmdStatus,
    cmdMemoryMonitor,
    cmdMemoryChart,
    cmdMemoryNumber,
    cmdMemoryBar,
    cmdMemoryOff,
    cmdCpuMonitor,
    cmdCpuChart,
    cmdCpuNumber,
    cmdCpuBar,
    cmdCpuOff,
    cmdFreeUp1,
    cmdFreeUp2,
    cmdFreeUp3,
    cmdExit,
    cmdFirstFreeAndRunEntry = 1000,  // + the entry's ID
};

class TfrmEngine : public toolkit::Window {
public:
    explicit TfrmEngine(std::string firstArgument = {},
                        TEngineEnvironment environment = DefaultEngineEnvironment());
    ~TfrmEngine() override;

    // Saves the settings and closes the window; the program then ends.
    void Close();

    // Free-up operations.
    // Amounts in 64 bits: the total minus a stored level may lie outside int.
    void StartFree(int64_t mb, bool waitIdle, int idleSeconds, int cpuThreshold, bool enforce, int passes,
                   int delaySeconds);
    void StopWorker();
    void FreeStored(int storedLevel);
    void FreeAmount(int mb);
    void CriticalFree();
    void RegularFree();
    void StartupFree();

    // Tray menu commands (also reachable through the menu ids).
    void RunCommand(UINT command);
    void ShowTrayMenu();
    void UpdateStatus();
    void LaunchEntry(const TFreeAndRunItem& entry);

    // One 250 ms step of sampling and scheduling.
    void TimerTimer();

    // The main window, when one is open (none once the user closed it).
    TfrmMain* FindMainWindow();
    HWND MainWindowHandle() const;

    // -- free-and-run manager --
    // "Manage entries...": opens the manager, or brings up the open one.
    void mnuEditEntriesClick();
    // The manager, when one is open (none once the user closed it).
    TfrmFreeAndRun* FindFreeAndRunWindow();
    // -- end --

    // Read by the tests and the status.
    const TFreeThread* Worker() const { return Worker_.get(); }
    const TEngineActivity& Activity() const { return activity_; }
    std::string StatusLine() const { return EngineStatusLine(activity_); }
    const TTrayIconMemory* MemoryTrayIcon() const { return MemoryTrayIcon_.get(); }
    const TTrayIconCPU* CpuTrayIcon() const { return CpuTrayIcon_.get(); }
    const TTrayIconResource* StatusTrayIcon() const { return StatusTrayIcon_.get(); }
    const TfrmFARLaunch* LaunchWindow() const { return LaunchWindow_.get(); }
    const toolkit::PopupMenu& IconMenu() const { return IconMenu_; }
    const TPresetHotkeys& Hotkeys() const { return hotkeys_; }
    bool TimerEnabled() const { return timerEnabled_; }
    int TickCount() const { return TickCount_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Creation and destruction.
    void FormCreate();
    void FormCloseQuery();
    void FormDestroy();
    void EnableTimer(bool enabled);

    // Messages.
    void OptionsChanged(int flags);
    void WorkerEnded();
    void WorkerCompleted();
    void WorkerFatal(DWORD code);
    void DiscardQueuedWorkerMessages();
    void RegularScheduleUpkeep();

    // Tray menu and icons.
    void BuildIconMenu();
    void SetMenuCaptions();
    void UpdateDisplay();
    void UpdatePresetItems();
    void RebuildFreeAndRunMenu();
    void DestroyTrayIcons();
    void WireIcon(TTrayIcon& icon);
    void ShowKalvora();
    void DestroyMainWindow();
    // Taskbar "Close window" on the main window closes it alone.
    bool AppMessageHook(MSG& message);
    void FreeAndRunItemClick(int entryId);
    void StartLaunchedProgram();

    // Hotkeys.
    void RegisterPresetHotkeys();
    void UnregisterPresetHotkeys();
    void HotkeyPressed(WPARAM id);

    // Logoff and shutdown.
    void EndSession();

    std::string firstArgument_;
    TEngineEnvironment environment_;

    bool timerEnabled_ = false;
    int TickCount_ = 0;
    HWND TaskbarWindow = nullptr;
    std::unique_ptr<TTrayIconMemory> MemoryTrayIcon_;
    std::unique_ptr<TTrayIconCPU> CpuTrayIcon_;
    std::unique_ptr<TTrayIconResource> StatusTrayIcon_;
    std::unique_ptr<TFreeThread> Worker_;
    TEngineActivity activity_;
    bool StartupChecked = false;
    ULONGLONG CreatedAt = 0;  // tick count at creation; a young engine shows no main window
    int LastRegularInterval = 0;
    std::unique_ptr<TfrmFARLaunch> LaunchWindow_;
    // Created on demand; a window the user closed is deleted at the next
    // look for it, never from inside its own handlers.
    std::unique_ptr<TfrmMain> MainWindow_;
    bool creatingMainWindow_ = false;
    // How often a close has waited for the loops over the main window.
    int closeRetries_ = 0;
    // -- free-and-run manager --
    // Created on demand; a closed one is deleted at the next look for it.
    // While its file dialog runs it stays, even when the engine goes.
    struct FreeAndRunWindowDeleter {
        void operator()(TfrmFreeAndRun* window) const;
    };
    std::unique_ptr<TfrmFreeAndRun, FreeAndRunWindowDeleter> FreeAndRunWindow_;
    void RepaintFreeAndRunChart();
    void DestroyFreeAndRunWindow();
    // -- end --
    int appHookId_ = 0;
    TPresetHotkeys hotkeys_;
    // Between WM_HOTKEYS_SUSPEND and WM_HOTKEYS_RESUME (a dialog that reads
    // shortcuts): option changes register nothing.
    bool hotkeysSuspended_ = false;
    bool sessionEnded_ = false;
    toolkit::PopupMenu IconMenu_;
    toolkit::PopupMenu* FreeandRun1 = nullptr;
    bool destroyed_ = false;
};
