#pragma once
// The system's file-open dialog (GetOpenFileNameA) for one existing file.
//
// Execute runs a modal loop: every posted message may run inside it, so the
// caller takes a LifeWatch first (Liveness.h).
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

namespace toolkit {

// A filter of "description|pattern|" pairs as the system's file dialogs want
// it: the pairs separated by NUL characters and the list ended by two.
std::vector<char> FileDialogFilterList(const std::string& filter);

class OpenFileDialog {
public:
    std::string Title;
    // Pairs of description and pattern, each ended by '|':
    // "Skins (*.skn)|*.skn".
    std::string Filter;
    // Added to a typed name that has none, without the dot: "skn".
    std::string DefaultExt;
    // The folder the dialog opens in; empty: the system's choice.
    std::string InitialDir;
    // OFN_* flags; by default one existing file, and the program's working
    // folder stays where it was.
    DWORD Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // The full path of the chosen file after Execute returned true.
    std::string FileName;

    // Shows the dialog owned by owner; false when the user cancelled it (or
    // the system could not show it).
    bool Execute(HWND owner);
};

}  // namespace toolkit
