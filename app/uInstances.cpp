#include "app/uInstances.h"

#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "toolkit/Handles.h"

#include <windows.h>

#include <cstring>

namespace {

// A hung first instance must not hang a second start for ever.
constexpr UINT InstanceAnswerTimeoutMs = 5000;

bool SendWithTimeout(HWND window, UINT message, LRESULT& answer)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, InstanceAnswerTimeoutMs,
                               &result))
        return false;
    answer = static_cast<LRESULT>(result);
    return true;
}

BOOL CALLBACK MatchEngine(HWND window, LPARAM found)
{
    char caption[100] = {};
    ::GetWindowTextA(window, caption, sizeof(caption));
    if (std::strcmp(caption, EngineCaption) != 0) return TRUE;
    LRESULT answer = 0;
    if (!SendWithTimeout(window, WM_ENGINE_PING, answer) || answer != EngineSignature) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND FindRunningEngine()
{
    HWND found = nullptr;
    ::EnumWindows(&MatchEngine, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

bool ActivateRunningInstance()
{
    HWND engine = FindRunningEngine();
    if (!engine) return false;
    LRESULT mainWindow = 0;
    SendWithTimeout(engine, WM_ENGINE_SHOWMAIN, mainWindow);
    // May be 0 (a young engine, or no main window): the calls then simply fail.
    ::BringWindowToTop(reinterpret_cast<HWND>(mainWindow));
    ::SetForegroundWindow(reinterpret_cast<HWND>(mainWindow));
    return true;
}

bool CloseRunningInstance()
{
    HWND engine = FindRunningEngine();
    if (!engine) return false;
    ::PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
    return true;
}

bool CloseRunningInstanceAndWait(unsigned long timeoutMs)
{
    HWND engine = FindRunningEngine();
    if (!engine) return false;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(engine, &processId);
    toolkit::UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    ::PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
    if (process) ::WaitForSingleObject(process.Get(), timeoutMs);
    return true;
}
