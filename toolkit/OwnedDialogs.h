#pragma once
// The system's dialogs (file dialogs, message boxes: class "#32770") that
// this thread shows owned by a window, so that the window's owner can end
// them before the window goes.
#include <windows.h>

#include <vector>

namespace toolkit {

// In the system's order of the thread's top-level windows; hidden ones too
// unless visibleOnly.
std::vector<HWND> OwnedDialogs(HWND owner, bool visibleOnly = false);

}  // namespace toolkit
