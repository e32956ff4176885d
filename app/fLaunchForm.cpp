#include "app/fLaunchForm.h"

#include "app/uInstances.h"
#include "engine/fEngineForm.h"
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "toolkit/Application.h"

TfrmLaunch::TfrmLaunch(std::string firstArgument) : firstArgument_(std::move(firstArgument))
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
    if (ActivateRunningInstance()) {
        toolkit::Application::Instance().Terminate(0);
        return;
    }
    engine_ = std::make_unique<TfrmEngine>(firstArgument_);
    engineStarted_ = true;
}

LRESULT TfrmLaunch::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LAUNCH_CONTINUE:
        LaunchContinue();
        return 0;
    case WM_CLOSE:
        Destroy();
        return 0;
    case WM_DESTROY:
        // The main window is gone: the program ends.
        toolkit::Application::Instance().Terminate(0);
        return 0;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}
