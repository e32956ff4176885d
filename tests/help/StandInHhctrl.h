#pragma once
// What the stand-in help library (stand_in_hhctrl.cpp, built as
// "hhctrl.ocx") records of each call, and the functions it exports besides
// HtmlHelpA so that a test can read the record and choose the answers.
#include <windows.h>

struct StandInCall {
    HWND window;
    BOOL fileGiven;
    char file[1024];
    UINT command;
    DWORD_PTR data;
    // For popup requests: a copy of the record, as many bytes as its size
    // field claims (up to the buffer).
    int popupBytes;
    unsigned char popup[256];
};

// The cookie the stand-in hands out at initialisation.
inline constexpr DWORD StandInCookie = 0x5EEDC0DEu;
// What it answers for topics and popups unless told otherwise.
inline const HWND StandInWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x0C0FFEE0));

extern "C" {
using StandInCallCountFunction = int(__cdecl*)();
using StandInCallAtFunction = const StandInCall*(__cdecl*)(int index);
using StandInResetFunction = void(__cdecl*)();
// The window answered for HH_DISPLAY_TOPIC and HH_DISPLAY_TEXT_POPUP.
using StandInSetAnswerFunction = void(__cdecl*)(HWND answer);
}
