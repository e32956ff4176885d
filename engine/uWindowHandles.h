#pragma once
// The process-wide window handles and the marks by which one instance of the
// program recognises another.
#include <windows.h>

// The invisible start-up window; closing it ends the program.
extern HWND LaunchWindowHandle;
// The engine window while it exists.
extern HWND EngineWindowHandle;

// What a running engine answers to WM_ENGINE_PING.
constexpr LRESULT EngineSignature = 140971;
// The caption by which other instances find the engine window.
constexpr const char* EngineCaption = "Memory Engine";
constexpr const char* ApplicationTitle = "Kalvora Professional";
