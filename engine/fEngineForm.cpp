// The engine window: creation, the message protocol, closing and destruction.
#include "engine/fEngineForm.h"

#include "engine/uDateTime.h"
#include "engine/uFreeThread.h"
#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "freeandrun/fFARLaunch.h"
#include "monitor/uTrayIconCPU.h"
#include "monitor/uTrayIconMemory.h"
#include "monitor/uTrayIconResource.h"
#include "settings/uKalvoraOptions.h"
#include "toolkit/Application.h"
#include "toolkit/DebugOut.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/Error.h"
#include "ui/fMainForm.h"

#include <shellapi.h>

namespace {
constexpr UINT_PTR TimerId = 1;
constexpr UINT TimerIntervalMs = 250;
// Asks again for a close that waits for a dialog's loop to return.
constexpr UINT_PTR CloseRetryTimerId = 2;
constexpr UINT CloseRetryMs = 20;

void CALLBACK RetryClose(HWND engine, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(engine, id);
    ::SendMessageA(engine, WM_CLOSE, 0, 0);
}

// A close waits this long at most (5 s) for the loops over the main window
// to return; a box that ignores Cancel goes with the window after that.
constexpr int CloseRetriesAtMost = 250;
}  // namespace

int MaxFreeUpMB() { return sizeof(void*) == 4 ? 2045 : TotalPhysMB; }

int BoundedFreeUpMB(int64_t requestedMB)
{
    if (requestedMB <= 0) return 0;
    if (requestedMB <= MaxFreeUpMB()) return static_cast<int>(requestedMB);
    return sizeof(void*) == 4 ? MaxFreeUpMB() : 0;
}

TEngineEnvironment DefaultEngineEnvironment()
{
    return {&NowDateTime, &AvailPhysBytes, [] { return std::make_unique<TFreeThread>(); },
            [](const std::string& file) { ::ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOW); }};
}

TfrmEngine::TfrmEngine(std::string firstArgument, TEngineEnvironment environment)
    : firstArgument_(std::move(firstArgument)), environment_(std::move(environment))
{
    Create(HiddenArgs("TfrmEngine", EngineCaption));
    FormCreate();
}

TfrmEngine::~TfrmEngine()
{
    if (Exists()) Destroy();
    FormDestroy();
}

void TfrmEngine::FormCreate()
{
    CreatedAt = ::GetTickCount64();
    LastRegularInterval = 0;
    EngineWindowHandle = Handle();
    TickCount_ = 0;
    StartupChecked = false;
    BuildIconMenu();
    SetMenuCaptions();
    RegisterPresetHotkeys();
    EnableTimer(true);
    appHookId_ = toolkit::Application::Instance().AddMessageHook([this](MSG& message) { return AppMessageHook(message); });
    if (Options) Options->RegisterNotifyWindow(Handle());
    TaskbarWindow = ::FindWindowA("Shell_TrayWnd", nullptr);
}

void TfrmEngine::EnableTimer(bool enabled)
{
    if (enabled == timerEnabled_) return;
    timerEnabled_ = enabled;
    if (enabled)
        ::SetTimer(Handle(), TimerId, TimerIntervalMs, nullptr);
    else
        ::KillTimer(Handle(), TimerId);
}

void TfrmEngine::Close()
{
    if (Exists()) ::SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

void TfrmEngine::FormCloseQuery()
{
    // Closing is never refused; a failed save is told to the user.
    if (!Options) return;
    try {
        Options->Save();
    } catch (const toolkit::Error& error) {
        toolkit::ShowErrorBox(error.what());
    }
}

void TfrmEngine::FormDestroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    DestroyMainWindow();
    DestroyFreeAndRunWindow();
    if (appHookId_) toolkit::Application::Instance().RemoveMessageHook(appHookId_);
    appHookId_ = 0;
    if (Exists()) EnableTimer(false);
    if (Options) Options->UnregisterNotifyWindow(Handle());
    StopWorker();
    LaunchWindow_.reset();
    DestroyTrayIcons();
    EngineWindowHandle = nullptr;
    UnregisterPresetHotkeys();
}

void TfrmEngine::OptionsChanged(int flags)
{
    if (!timerEnabled_ || !Options) return;  // after the fatal path nothing changes any more
    UpdateStatus();
    if (flags & ChangeDisplay) UpdateDisplay();
    if (flags & ChangeFreeAndRun) RebuildFreeAndRunMenu();
    RegisterPresetHotkeys();
    UpdatePresetItems();
    RegularScheduleUpkeep();
}

void TfrmEngine::WorkerEnded()
{
    StopWorker();
    UpdateStatus();
    if (LaunchWindow_) StartLaunchedProgram();
}

void TfrmEngine::WorkerCompleted()
{
    if (!Worker_) return;
    Worker_->WaitFor();
    Worker_.reset();
}

void TfrmEngine::WorkerFatal(DWORD code)
{
    EnableTimer(false);
    if (Options) Options->UnregisterNotifyWindow(Handle());
    StopWorker();
    DestroyTrayIcons();
    // A loop over the main window is ended instead; the close below takes
    // the window once that loop has returned.
    TfrmMain* main = MainWindowHandle() ? FindMainWindow() : nullptr;
    if (!main || !main->EndNestedLoops()) DestroyMainWindow();
    UnregisterPresetHotkeys();
    const toolkit::LifeWatch alive = Watch();
    toolkit::ShowErrorBox("Fatal error in memory management. Kalvora Professional will be closed.\r\n"
                          "The Code returned was: " +
                          std::to_string(code));
    if (alive.Alive()) Close();  // the box's loop may have seen a "quit" already
}

void TfrmEngine::EndSession()
{
    // Windows may end the process as soon as WM_ENDSESSION returns: the
    // settings are saved now, as an orderly exit saves them, and once.
    if (sessionEnded_ || !Options) return;
    sessionEnded_ = true;
    try {
        Options->Save();
    } catch (const toolkit::Error& error) {
        // No box: it would hold up the logoff, and nobody is there to read it.
        toolkit::DebugOut(std::string("Settings not saved at the end of the session: ") + error.what());
    }
}

LRESULT TfrmEngine::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == TimerId) TimerTimer();
        return 0;
    case WM_OPTIONS_CHANGED:
        OptionsChanged(static_cast<int>(wParam));
        return 0;
    case WM_WORKER_ENDED:
        WorkerEnded();
        return 0;
    case WM_WORKER_COMPLETED:
        WorkerCompleted();
        return 0;
    case WM_WORKER_FATAL:
        WorkerFatal(static_cast<DWORD>(wParam));
        return 0;
    case WM_WORKER_IDLEWAIT:
        activity_.InIdleWait = true;
        activity_.InDelay = false;
        activity_.IdleSecondsLeft = static_cast<int>(wParam);
        UpdateStatus();
        return 0;
    case WM_WORKER_PROGRESS:
        activity_.InIdleWait = false;
        activity_.InDelay = false;
        activity_.PercentDone = static_cast<int>(wParam);
        UpdateStatus();
        if (LaunchWindow_) LaunchWindow_->SetStatusText("Free-up: " + std::to_string(wParam) + "%");
        return 0;
    case WM_WORKER_CPU:
        activity_.CpuPercent = static_cast<int>(wParam);
        activity_.CpuThresholdShown = static_cast<int>(lParam);
        UpdateStatus();
        return 0;
    case WM_WORKER_DELAY:
        activity_.InDelay = true;
        activity_.InIdleWait = false;
        activity_.DelayTotal = static_cast<int>(lParam);
        activity_.DelayElapsed = static_cast<int>(wParam);
        UpdateStatus();
        return 0;
    case WM_ENGINE_FREE:
        FreeAmount(static_cast<int>(wParam));
        return 0;
    case WM_ENGINE_PING:
        return EngineSignature;
    case WM_ENGINE_SHOWMAIN:
        if (::GetTickCount64() - CreatedAt > 2000) ShowKalvora();
        return reinterpret_cast<LRESULT>(MainWindowHandle());
    case WM_ENGINE_QUIT:
        Close();
        return 0;
    case WM_HOTKEYS_SUSPEND:
        hotkeysSuspended_ = true;
        UnregisterPresetHotkeys();
        return 0;
    case WM_HOTKEYS_RESUME:
        hotkeysSuspended_ = false;
        RegisterPresetHotkeys();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) EndSession();
        return 0;
    case WM_HOTKEY:
        HotkeyPressed(wParam);
        return 0;
    case WM_COMMAND:
        RunCommand(LOWORD(wParam));
        return 0;
    case WM_CLOSE: {
        // A timer, not a posted close: a loop above the dialog's (a tray
        // menu opened over it) would take a posted one again at once.
        // A dialog, file dialog or message box whose loop runs over the main
        // window is ended first: closing now would destroy the main window
        // and that window from under the loop.
        TfrmMain* main = MainWindowHandle() ? FindMainWindow() : nullptr;
        if (main && closeRetries_ < CloseRetriesAtMost && main->EndNestedLoops()) {
            ++closeRetries_;
            ::SetTimer(Handle(), CloseRetryTimerId, CloseRetryMs, &RetryClose);
            return 0;
        }
        const toolkit::LifeWatch alive = Watch();
        FormCloseQuery();  // a failed save's box runs a loop of its own
        if (alive.Alive()) Destroy();
        return 0;
    }
    case WM_DESTROY:
        FormDestroy();
        if (LaunchWindowHandle) ::PostMessageA(LaunchWindowHandle, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}
