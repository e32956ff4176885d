#include "toolkit/OwnedDialogs.h"

#include <cstring>

namespace toolkit {
namespace {

struct Search {
    HWND owner;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<Search*>(data);
    char className[16] = {};
    if (::GetWindow(window, GW_OWNER) == search.owner && ::GetClassNameA(window, className, sizeof(className)) &&
        std::strcmp(className, "#32770") == 0 && (!search.visibleOnly || ::IsWindowVisible(window)))
        search.found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> OwnedDialogs(HWND owner, bool visibleOnly)
{
    Search search{owner, visibleOnly, {}};
    if (owner) ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace toolkit
