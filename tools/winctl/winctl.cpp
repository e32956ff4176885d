// winctl: a script's hands on the windows of running programs.
//   winctl find CLASS-PREFIX CAPTION   waits up to 20 s for a visible
//                                      top-level window; prints
//                                      "HWND X Y WIDTH HEIGHT" of its client
//                                      area on the screen (HWND in hex), then
//                                      "X Y WIDTH HEIGHT" of the whole window
//   winctl gone CLASS-PREFIX CAPTION   waits up to 20 s until no such window
//                                      is left
//   winctl click HWND X Y              a left click at client point (X, Y)
//   winctl ok CAPTION                  waits for a message box of that caption
//                                      and presses its OK button
//   winctl command CLASS-PREFIX CAPTION ID
//                                      posts the menu command ID to a
//                                      top-level window, shown or hidden
// Exit code 0 when it did what it was asked, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
    std::string classPrefix;
    std::string caption;
    bool visibleOnly = true;
    HWND found = nullptr;
};

BOOL CALLBACK Match(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<Search*>(data);
    char className[128] = {};
    char caption[256] = {};
    GetClassNameA(window, className, sizeof(className));
    GetWindowTextA(window, caption, sizeof(caption));
    if ((!search.visibleOnly || IsWindowVisible(window)) && std::string(className).rfind(search.classPrefix, 0) == 0 &&
        search.caption == caption) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(const std::string& classPrefix, const std::string& caption)
{
    for (int waited = 0; waited < 20000; waited += 50) {
        Search search{classPrefix, caption};
        EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

int Find(const char* classPrefix, const char* caption)
{
    HWND window = WaitForWindow(classPrefix, caption);
    if (!window) return 1;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT outer{};
    GetWindowRect(window, &outer);
    std::printf("%llx %ld %ld %ld %ld %ld %ld %ld %ld\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), origin.x, origin.y, client.right,
                client.bottom, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
    return 0;
}

int WaitUntilGone(const char* classPrefix, const char* caption)
{
    for (int waited = 0; waited < 20000; waited += 50) {
        Search search{classPrefix, caption, false};
        EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        if (!search.found) return 0;
        Sleep(50);
    }
    return 1;
}

int Click(const char* handle, const char* x, const char* y)
{
    HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(handle, nullptr, 16)));
    if (!IsWindow(window)) return 1;
    const LPARAM point = MAKELPARAM(std::atoi(x), std::atoi(y));
    PostMessageA(window, WM_MOUSEMOVE, 0, point);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(window, WM_LBUTTONUP, 0, point);
    return 0;
}

int PostCommand(const char* classPrefix, const char* caption, const char* id)
{
    Search search{classPrefix, caption, false};
    EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return 1;
    return PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(std::atoi(id), 0), 0) ? 0 : 1;
}

int PressOk(const char* caption)
{
    HWND box = WaitForWindow("#32770", caption);
    if (!box) return 1;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "find" && argc == 4) return Find(argv[2], argv[3]);
    if (command == "gone" && argc == 4) return WaitUntilGone(argv[2], argv[3]);
    if (command == "click" && argc == 5) return Click(argv[2], argv[3], argv[4]);
    if (command == "ok" && argc == 3) return PressOk(argv[2]);
    if (command == "command" && argc == 5) return PostCommand(argv[2], argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: winctl find|gone CLASS-PREFIX CAPTION | click HWND X Y | ok CAPTION"
                 " | command CLASS-PREFIX CAPTION ID\n");
    return 2;
}
