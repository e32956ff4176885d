#include "app/fLaunchForm.h"

#include "app/uInstanceLock.h"
#include "app/uInstances.h"
#include "engine/fEngineForm.h"
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "settings/uKalvoraOptionsInit.h"
#include "toolkit/Application.h"
#include "toolkit/DebugOut.h"

namespace {

constexpr UINT_PTR HandOverTimerId = 1;
constexpr UINT HandOverPollMs = 100;
// How long a start waits for the lock's holder to show its engine. Long
// enough for an engine that is busy beyond the ping timeout (stopping a
// worker); after it the start gives up rather than run a second engine.
constexpr ULONGLONG HandOverWaitMs = 30000;

}  // namespace

TfrmLaunch::TfrmLaunch(std::string firstArgument, TInstanceLock& instanceLock)
    : firstArgument_(std::move(firstArgument)), instanceLock_(instanceLock)
{
    CreateArgs args;
    args.className = "KalvoraLaunch";
    args.style = WS_POPUP;
    args.exStyle = WS_EX_TOOLWINDOW;
    args.width = 1;
    args.height = 1;
    args.x = (::GetSystemMetrics(SM_CXSCREEN) - 1) / 2;
    args.y = (::GetSystemMetrics(SM_CYSCREEN) - 1) / 2;
    Create(args);
    toolkit::Application::Instance().SetTitle(ApplicationTitle);
    LaunchWindowHandle = Handle();
    ::PostMessageA(Handle(), WM_LAUNCH_CONTINUE, 0, 0);
}

TfrmLaunch::~TfrmLaunch()
{
    StopHandOverWait();
    engine_.reset();
    LaunchWindowHandle = nullptr;
}

void TfrmLaunch::LaunchContinue()
{
    ::ShowWindow(Handle(), SW_HIDE);
    if (firstArgument_ == "quit") {
        CloseRunningInstance();
        toolkit::Application::Instance().Terminate(0);
        return;
    }
    if (instanceLock_.TryAcquire()) {
        StartAsTheInstance();
        return;
    }
    // Another start holds the lock: its engine is on the way, or busy. Look
    // for it from the message loop until it answers or the lock comes free.
    waitingForHandOver_ = true;
    handOverDeadline_ = ::GetTickCount64() + HandOverWaitMs;
    ::SetTimer(Handle(), HandOverTimerId, HandOverPollMs, nullptr);
}

void TfrmLaunch::HandOverTimerTimer()
{
    if (!waitingForHandOver_) return;
    if (instanceLock_.TryAcquire()) {
        StopHandOverWait();
        StartAsTheInstance();
        return;
    }
    if (ActivateRunningInstance()) {
        StopHandOverWait();
        toolkit::Application::Instance().Terminate(0);
        return;
    }
    if (::GetTickCount64() >= handOverDeadline_) {
        StopHandOverWait();
        toolkit::DebugOut("Another start holds the instance lock but shows no engine; this start ends");
        toolkit::Application::Instance().Terminate(0);
    }
}

void TfrmLaunch::StopHandOverWait()
{
    if (!waitingForHandOver_) return;
    waitingForHandOver_ = false;
    if (Exists()) ::KillTimer(Handle(), HandOverTimerId);
}

void TfrmLaunch::StartAsTheInstance()
{
    // An instance without the lock (an older program) is still handed over to.
    if (ActivateRunningInstance()) {
        toolkit::Application::Instance().Terminate(0);
        return;
    }
    // The settings were read at process start, maybe before the instance
    // that held the lock last saved them on its way out: read them again, or
    // this engine's save would bring the older values back. No window has
    // registered with the options yet.
    FinishOptions(false);
    InitOptions();
    engine_ = std::make_unique<TfrmEngine>(firstArgument_);
    engineStarted_ = true;
}

LRESULT TfrmLaunch::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LAUNCH_CONTINUE:
        LaunchContinue();
        return 0;
    case WM_TIMER:
        if (wParam == HandOverTimerId) HandOverTimerTimer();
        return 0;
    case WM_CLOSE:
        Destroy();
        return 0;
    case WM_DESTROY:
        // The main window is gone: the program ends.
        StopHandOverWait();
        toolkit::Application::Instance().Terminate(0);
        return 0;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}
