#pragma once
// What Kalvora's main window and dialogs look for in a skin, by name. The
// list is taken from the program itself: its name table, and the helpers that
// write texts and find the settings elements are run once against a stand-in
// element tree that notes every name they ask for and every kind they accept.
// The IDs that get the pressed or checked look or give the chart its colours
// are listed in KalvoraVocabulary.cpp beside the program's page and icon
// tables, and change with them.
#include <cstdint>
#include <string>
#include <vector>

namespace skinview {

// Kinds of element, as a set of bits.
enum KindBits : unsigned {
    KindStatic = 1,
    KindButton = 2,
    KindScrollBar = 4,
    KindAny = 7,
};

// "static", "button", "scroll bar" or "static or button".
std::string KindWords(unsigned kinds);

struct NameUse {
    std::wstring name;
    unsigned kinds = KindAny;  // the kinds the program accepts under the name
    bool fatal = false;        // another kind makes the main window refuse the skin
    bool single = false;       // gets a text, value, look or colour: only the first one counts
    bool required = false;     // the main window cannot do without it
    bool dialogs = false;      // read from the default window by the dialogs
    bool dialogsOnly = false;  // only there, and optional without a word
    std::string role;          // what the program does with it, in a few words
};

struct KalvoraVocabulary {
    std::wstring mainWindow;            // the skin window laid over the main window
    std::vector<NameUse> elements;      // in the order the program first asks for them
    std::vector<std::wstring> animations;

    const NameUse* Find(const std::wstring& name) const;
    bool IsAnimation(const std::wstring& name) const;
};

// Built once on first use.
const KalvoraVocabulary& TheKalvoraVocabulary();

}  // namespace skinview
