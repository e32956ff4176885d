#include "help/uHTMLHelp.h"

#include "help/fHelpPopup.h"
#include "help/uHelpFileStreams.h"
#include "help/uPopupTexts.h"
#include "settings/uProgramFiles.h"
#include "toolkit/DebugOut.h"
#include "toolkit/Handles.h"

#include <exception>
#include <memory>
#include <utility>

#ifndef _WIN64
static_assert(sizeof(THHPopup) == 52, "the help library reads a 52-byte popup request");
#endif

namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

constexpr char PopupSource[] = "cshelp.txt";

// One help library for the whole process.
struct THelpState {
    std::string LibraryName = "hhctrl.ocx";
    toolkit::UniqueModule HelpLibrary;
    HtmlHelpFunction HtmlHelpEntry = nullptr;
    // The library writes a DWORD; the wider variable leaves room should a
    // 64-bit library write a pointer-sized value.
    DWORD_PTR HelpCookie = 0;
    // Our own popup, where the library shows none.
    std::unique_ptr<TfrmHelpPopup> Popup;
};

THelpState& State()
{
    static THelpState state;
    return state;
}

void EnsureLoaded()
{
    THelpState& state = State();
    if (state.HtmlHelpEntry) return;
    toolkit::UniqueModule library(::LoadLibraryA(state.LibraryName.c_str()));
    if (!library) return;  // the next call tries again
    const auto entry = reinterpret_cast<HtmlHelpFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), "HtmlHelpA")));
    if (!entry) return;  // released again when `library` goes
    state.HelpLibrary = std::move(library);
    state.HtmlHelpEntry = entry;
    state.HelpCookie = 0;
    entry(nullptr, nullptr, HH_INITIALIZE_COMMAND, reinterpret_cast<DWORD_PTR>(&state.HelpCookie));
}

// The text of the number from the help file itself, in our own popup.
void ShowOwnPopup(const std::string& helpFile, uint32_t contextNumber, int x, int y, HWND owner)
{
    const std::optional<std::string> source = ReadHelpFileStream(helpFile, PopupSource, MaxPopupSourceBytes);
    if (!source) {
        toolkit::DebugOut("Help: no " + std::string(PopupSource) + " in " + helpFile);
        return;
    }
    THelpState& state = State();
    if (!state.Popup) state.Popup = std::make_unique<TfrmHelpPopup>();
    state.Popup->ShowAt(PopupTextFor(*source, contextNumber), x, y, owner);
}

}  // namespace

std::string HelpFileInFolder(const std::string& folder, const std::string& value)
{
    if (value.find('\\') != std::string::npos || folder.empty()) return value;
    return folder.back() == '\\' ? folder + value : folder + '\\' + value;
}

void THTMLHelp::SetHelpFile(const std::string& value)
{
    const std::string program = ProgramFileName();
    helpFile_ = HelpFileInFolder(program.substr(0, program.find_last_of('\\') + 1), value);
}

bool THTMLHelp::ShowTopic(const std::string& topic)
{
    try {
        EnsureLoaded();
        const HtmlHelpFunction entry = State().HtmlHelpEntry;
        if (!entry) return false;
        const std::string request = helpFile_ + "::/" + topic;
        return entry(CallerWindow, request.c_str(), HH_DISPLAY_TOPIC_COMMAND, 0) != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

void THTMLHelp::ShowContextPopupAt(uint32_t contextNumber, int x, int y)
{
    EnsureLoaded();
    const HtmlHelpFunction entry = State().HtmlHelpEntry;
    if (!entry) return;
    // One popup at a time, whoever shows the next one.
    if (State().Popup) State().Popup->Close();
    THHPopup popup{};
    popup.cbStruct = static_cast<int32_t>(sizeof(THHPopup));
    popup.hinst = nullptr;
    popup.idString = contextNumber;
    popup.pszText = nullptr;
    popup.pt = POINT{x, y};
    popup.clrForeground = static_cast<COLORREF>(-1);
    popup.clrBackground = static_cast<COLORREF>(-1);
    popup.rcMargins = RECT{-1, -1, -1, -1};
    popup.pszFont = nullptr;
    const std::string source = helpFile_ + "::/" + PopupSource;
    if (entry(CallerWindow, source.c_str(), HH_DISPLAY_TEXT_POPUP_COMMAND, reinterpret_cast<DWORD_PTR>(&popup)))
        return;
    // Some help libraries (Wine's) accept the request and show nothing.
    try {
        ShowOwnPopup(helpFile_, contextNumber, x, y, CallerWindow);
    } catch (const std::exception& error) {
        toolkit::DebugOut(std::string("Help popup: ") + error.what());
    }
}

void THTMLHelp::ShowContextPopup(uint32_t contextNumber)
{
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ShowContextPopupAt(contextNumber, cursor.x, cursor.y + 20);
}

bool THTMLHelp::HelpAvailable()
{
    EnsureLoaded();
    return State().HtmlHelpEntry != nullptr;
}

void ShutdownHtmlHelp()
{
    THelpState& state = State();
    state.Popup.reset();
    if (!state.HtmlHelpEntry) return;
    const HtmlHelpFunction entry = std::exchange(state.HtmlHelpEntry, nullptr);
    entry(nullptr, nullptr, HH_UNINITIALIZE_COMMAND, state.HelpCookie);
    state.HelpCookie = 0;
    state.HelpLibrary.Reset();
}

void SetHtmlHelpLibraryName(const std::string& name)
{
    ShutdownHtmlHelp();
    State().LibraryName = name;
}
