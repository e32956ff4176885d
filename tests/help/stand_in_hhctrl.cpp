// A help library that records every call and answers with a made-up window,
// found by the loader before the system's "hhctrl.ocx" because it lies beside
// the test program. Built without STAND_IN_WITH_ENTRY it has no "HtmlHelpA".
#include "tests/help/StandInHhctrl.h"

#include <cstring>

namespace {

constexpr int MaxCalls = 64;
StandInCall calls[MaxCalls];
int callCount = 0;
HWND answer = StandInWindow;

constexpr UINT DisplayTextPopup = 14;
constexpr UINT Initialize = 28;

}  // namespace

extern "C" {

__declspec(dllexport) int __cdecl StandInCallCount() { return callCount; }

__declspec(dllexport) const StandInCall* __cdecl StandInCallAt(int index)
{
    return index >= 0 && index < callCount ? &calls[index] : nullptr;
}

__declspec(dllexport) void __cdecl StandInReset()
{
    callCount = 0;
    answer = StandInWindow;
}

__declspec(dllexport) void __cdecl StandInSetAnswer(HWND window) { answer = window; }

#ifdef STAND_IN_WITH_ENTRY
__declspec(dllexport) HWND WINAPI HtmlHelpA(HWND window, LPCSTR file, UINT command, DWORD_PTR data)
{
    if (callCount == MaxCalls) return nullptr;
    StandInCall& call = calls[callCount++];
    call = StandInCall{};
    call.window = window;
    call.fileGiven = file != nullptr;
    for (size_t i = 0; file && file[i] && i + 1 < sizeof(call.file); ++i) call.file[i] = file[i];
    call.command = command;
    call.data = data;
    if (command == DisplayTextPopup && data) {
        int size = 0;
        std::memcpy(&size, reinterpret_cast<const void*>(data), sizeof(size));
        call.popupBytes = size < 0 ? 0 : size > int(sizeof(call.popup)) ? int(sizeof(call.popup)) : size;
        std::memcpy(call.popup, reinterpret_cast<const void*>(data), static_cast<size_t>(call.popupBytes));
    }
    if (command == Initialize) {
        if (data) *reinterpret_cast<DWORD*>(data) = StandInCookie;
        return nullptr;
    }
    return command == DisplayTextPopup || command == 0 ? answer : nullptr;
}
#if defined(_MSC_VER) && !defined(_WIN64)
#pragma comment(linker, "/EXPORT:HtmlHelpA=_HtmlHelpA@16")
#endif
#endif

}  // extern "C"
