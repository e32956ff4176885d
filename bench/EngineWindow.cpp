#include "bench/EngineWindow.h"

#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"

#include <string>

namespace {

struct TWindowSearch {
    DWORD ProcessId = 0;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM search)
{
    auto* wanted = reinterpret_cast<TWindowSearch*>(search);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == wanted->ProcessId) wanted->Found.push_back(window);
    return TRUE;
}

std::string CaptionOf(HWND window)
{
    char caption[64] = {};
    ::GetWindowTextA(window, caption, sizeof(caption));
    return caption;
}

BOOL CALLBACK FindAnyEngine(HWND window, LPARAM found)
{
    if (CaptionOf(window) == EngineCaption) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOfProcess(DWORD processId)
{
    TWindowSearch search{processId, {}};
    ::EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND EngineWindowOf(DWORD processId)
{
    for (HWND window : WindowsOfProcess(processId)) {
        DWORD_PTR answer = 0;
        if (CaptionOf(window) == EngineCaption &&
            ::SendMessageTimeoutA(window, WM_ENGINE_PING, 0, 0, SMTO_NORMAL, 5000, &answer) &&
            static_cast<LRESULT>(answer) == EngineSignature)
            return window;
    }
    return nullptr;
}

bool AnyEngineRuns()
{
    bool found = false;
    ::EnumWindows(&FindAnyEngine, reinterpret_cast<LPARAM>(&found));
    return found;
}
