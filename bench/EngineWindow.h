#pragma once
// Finding the engine of a program the benchmark started, as another
// instance finds it: a top-level window captioned "Memory Engine" that
// answers WM_ENGINE_PING with the signature.
#include <windows.h>

#include <vector>

// The top-level windows of that process.
std::vector<HWND> WindowsOfProcess(DWORD processId);

// The engine window of that process, or nullptr.
HWND EngineWindowOf(DWORD processId);

// Whether any window captioned "Memory Engine" exists on the desktop.
bool AnyEngineRuns();
