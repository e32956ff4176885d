// Looks at the notification area from outside the process that owns the
// icons, as the shell's other clients see it.
//   tray_probe exists <window>  exit code 1 when the icon (window, id 0) is there
//   tray_probe remove <window>  takes that icon away as a restarting shell would; 1 on success
//   tray_probe count            the number of icons in Wine's tray window
// "exists" and "count" rely on how Wine's own tray behaves: a modify of an
// icon that is not there fails, and each icon is a child window of class
// "__winex11_tray_icon" of the one "__winex11_standalone_tray" window. Where
// there is no such tray window, "count" answers NoWineTray instead of a
// number that could be read as "no icons".
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int NoWineTray = 200;
constexpr int BadArguments = 100;

NOTIFYICONDATAA Record(const char* window)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(window, nullptr, 10)));
    data.uID = 0;
    data.uFlags = 0;
    return data;
}

BOOL CALLBACK CountIcon(HWND window, LPARAM count)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::strcmp(name, "__winex11_tray_icon") == 0) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "exists") == 0) {
        NOTIFYICONDATAA data = Record(argv[2]);
        return Shell_NotifyIconA(NIM_MODIFY, &data) ? 1 : 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "remove") == 0) {
        NOTIFYICONDATAA data = Record(argv[2]);
        return Shell_NotifyIconA(NIM_DELETE, &data) ? 1 : 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "count") == 0) {
        HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
        if (!tray) return NoWineTray;
        int count = 0;
        EnumChildWindows(tray, &CountIcon, reinterpret_cast<LPARAM>(&count));
        return count;
    }
    return BadArguments;
}
