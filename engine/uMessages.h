#pragma once
// The program's own window messages. Between threads they are posted;
// questions from another instance are sent and answered.
#include <windows.h>

constexpr UINT WM_OPTIONS_CHANGED = WM_USER + 10;   // wParam: change flags
constexpr UINT WM_TRAYICON = WM_USER + 11;          // lParam: the mouse message
constexpr UINT WM_WORKER_ENDED = WM_USER + 12;      // always the worker's last message
constexpr UINT WM_LAUNCH_CONTINUE = WM_USER + 13;
constexpr UINT WM_ENGINE_FREE = WM_USER + 14;       // wParam: MB to free
constexpr UINT WM_WORKER_FATAL = WM_USER + 15;      // wParam: system error code
constexpr UINT WM_WORKER_IDLEWAIT = WM_USER + 16;   // wParam: seconds left
constexpr UINT WM_WORKER_PROGRESS = WM_USER + 17;   // wParam: percent of the pass
constexpr UINT WM_WORKER_CPU = WM_USER + 18;        // wParam: load, lParam: threshold
constexpr UINT WM_SWITCH_SKIN = WM_USER + 19;
constexpr UINT WM_ENGINE_PING = WM_USER + 20;       // answered with EngineSignature
constexpr UINT WM_ENGINE_SHOWMAIN = WM_USER + 21;   // answered with the main window
constexpr UINT WM_HOTKEYS_SUSPEND = WM_USER + 24;
constexpr UINT WM_HOTKEYS_RESUME = WM_USER + 25;
constexpr UINT WM_WORKER_DELAY = WM_USER + 26;      // wParam: elapsed, lParam: total
constexpr UINT WM_WORKER_COMPLETED = WM_USER + 27;  // only when not stopped
constexpr UINT WM_ENGINE_QUIT = WM_USER + 28;
