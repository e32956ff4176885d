// The floor of the start-up benchmark: a bare program that creates one
// hidden window and adds one 16 x 16 icon to the notification area, then
// waits until its message loop is told to quit (WM_QUIT).
#include <windows.h>
#include <shellapi.h>

int main()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KalvoraBenchStartupBare";
    if (!::RegisterClassA(&windowClass)) return 1;
    HWND window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
    if (!window) return 1;
    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 0;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_USER + 11;
    icon.hIcon = static_cast<HICON>(::LoadImageA(nullptr, MAKEINTRESOURCEA(32512), IMAGE_ICON, 16, 16, LR_SHARED));
    ::Shell_NotifyIconA(NIM_ADD, &icon);

    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);

    ::Shell_NotifyIconA(NIM_DELETE, &icon);
    ::DestroyWindow(window);
    return 0;  // the icon is shared (LR_SHARED): the system owns it
}
