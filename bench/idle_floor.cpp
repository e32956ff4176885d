// The floor of the idle benchmark: a bare program with the engine's 250 ms
// timer that, at the engine's default sampling rate (one sample in four
// ticks), does only what a sample cannot avoid: one GlobalMemoryStatusEx,
// one FindWindowA of the taskbar, and one Shell_NotifyIconA modify of its
// 16 x 16 icon with a changed tooltip. Runs until its message loop is told
// to quit (WM_QUIT).
//   bench_idle_floor [TOKEN]   (the token only marks the process for the benchmark)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

namespace {

constexpr UINT TimerId = 1;
constexpr UINT TicksPerSample = 4;  // "Chart Interval" 1000 ms at 250 ms a tick
constexpr UINT IconMessage = WM_USER + 11;

NOTIFYICONDATAA Icon{};
UINT Ticks = 0;
unsigned Samples = 0;

void Sample()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    ::GlobalMemoryStatusEx(&status);
    ::FindWindowA("Shell_TrayWnd", nullptr);
    // The sample number keeps every tooltip different from the last.
    std::snprintf(Icon.szTip, sizeof(Icon.szTip), "%u: %llu MB from %llu MB", ++Samples,
                  (status.ullTotalPhys - status.ullAvailPhys) >> 20, status.ullTotalPhys >> 20);
    ::Shell_NotifyIconA(NIM_MODIFY, &Icon);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == TimerId) {
        if (++Ticks >= TicksPerSample) {
            Ticks = 0;
            Sample();
        }
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &WindowProcedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KalvoraBenchIdleFloor";
    if (!::RegisterClassA(&windowClass)) return 1;
    HWND window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
    if (!window) return 1;

    HICON picture = static_cast<HICON>(::LoadImageA(nullptr, MAKEINTRESOURCEA(32512), IMAGE_ICON, 16, 16, LR_SHARED));
    Icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    Icon.hWnd = window;
    Icon.uID = 0;
    Icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    Icon.uCallbackMessage = IconMessage;
    Icon.hIcon = picture;
    ::Shell_NotifyIconA(NIM_ADD, &Icon);
    ::SetTimer(window, TimerId, 250, nullptr);

    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }

    ::KillTimer(window, TimerId);
    ::Shell_NotifyIconA(NIM_DELETE, &Icon);
    ::DestroyWindow(window);
    return 0;  // the icon is shared (LR_SHARED): the system owns it
}
