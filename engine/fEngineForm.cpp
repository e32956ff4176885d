#include "engine/fEngineForm.h"

#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "settings/uKalvoraOptions.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/Error.h"

TfrmEngine::TfrmEngine(std::string firstArgument) : firstArgument_(std::move(firstArgument))
{
    CreateArgs args;
    args.className = "TfrmEngine";
    args.caption = EngineCaption;
    args.style = WS_POPUP;
    args.exStyle = WS_EX_TOOLWINDOW;
    args.x = args.y = 0;
    Create(args);
    CreatedAt = ::GetTickCount64();
    EngineWindowHandle = Handle();
    if (Options) Options->RegisterNotifyWindow(Handle());
}

TfrmEngine::~TfrmEngine()
{
    if (Exists()) Destroy();
    FormDestroy();
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
    if (Options) Options->UnregisterNotifyWindow(Handle());
    EngineWindowHandle = nullptr;
}

LRESULT TfrmEngine::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ENGINE_PING:
        return EngineSignature;
    case WM_ENGINE_SHOWMAIN:
        return reinterpret_cast<LRESULT>(MainWindowHandle());
    case WM_ENGINE_QUIT:
        Close();
        return 0;
    case WM_CLOSE:
        FormCloseQuery();
        Destroy();
        return 0;
    case WM_DESTROY:
        FormDestroy();
        if (LaunchWindowHandle) ::PostMessageA(LaunchWindowHandle, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}
