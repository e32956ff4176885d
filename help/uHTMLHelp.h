#pragma once
// Opens pages of the program's compiled help file and shows its numbered
// popup texts, through the system's HTML help library ("hhctrl.ocx",
// "HtmlHelpA"). The library is loaded when help is first wanted, so the
// program starts and runs without it; one library serves the whole process
// and is shut down by ShutdownHtmlHelp at process end.
//
// Without the library or its entry point every operation does nothing
// (ShowTopic and HelpAvailable answer false) and the next call tries again.
// Main thread only.
#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr UINT HH_DISPLAY_TOPIC_COMMAND = 0;
inline constexpr UINT HH_DISPLAY_TEXT_POPUP_COMMAND = 14;
inline constexpr UINT HH_INITIALIZE_COMMAND = 28;
inline constexpr UINT HH_UNINITIALIZE_COMMAND = 29;

// The popup request of the HTML help interface (HH_POPUP): 52 bytes on the
// 32-bit build. On the 64-bit build the handle and pointers widen, as in the
// library's own record, and cbStruct carries that larger size.
struct THHPopup {
    int32_t cbStruct;
    HINSTANCE hinst;
    uint32_t idString;
    const char* pszText;
    POINT pt;
    COLORREF clrForeground;
    COLORREF clrBackground;
    RECT rcMargins;
    const char* pszFont;
};

class THTMLHelp {
public:
    // A name without a backslash is a file beside the program; anything with
    // a backslash is kept as it is.
    void SetHelpFile(const std::string& value);
    const std::string& HelpFile() const { return helpFile_; }

    // The name of a help window definition; stored only.
    std::string ContextWindow;
    // The window that owns the help windows; set by the host before use.
    HWND CallerWindow = nullptr;

    // Opens "<HelpFile>::/<topic>"; true when the library opened a window.
    bool ShowTopic(const std::string& topic);
    // The popup text of that number from "cshelp.txt" in the help file, at
    // the screen point (the top centre of the popup). Where the library shows
    // no popup (Wine's answers no window), the text is read from the help
    // file and shown in a popup window of our own.
    void ShowContextPopupAt(uint32_t contextNumber, int x, int y);
    // The same, 20 pixels below the mouse cursor.
    void ShowContextPopup(uint32_t contextNumber);
    bool HelpAvailable();

private:
    std::string helpFile_;
};

// Process end: shuts the help library down and releases it, if it was loaded,
// and destroys the popup window of our own (see ShowContextPopupAt).
void ShutdownHtmlHelp();

// value unchanged when it holds a backslash (or the folder is unknown),
// otherwise the file of that name in folder: "C:\Apps" and "C:\" give
// "C:\Apps\value" and "C:\value".
std::string HelpFileInFolder(const std::string& folder, const std::string& value);

// For tests only: the help library to load instead of "hhctrl.ocx". Shuts
// down the one loaded before, so that the next call loads the new one.
void SetHtmlHelpLibraryName(const std::string& name);
