#pragma once
// The system's file-open dialog as the free-and-run manager uses it: a
// shortcut that is chosen stays the shortcut's own path (it is started
// through the shell later, which follows it then), a typed path is taken as
// it is, and the dialog can be made larger.
//
// Execute runs the dialog's modal loop, in which every posted message may run
// (the program may end there): callers take a LifeWatch first. Cancel ends a
// running dialog from inside that loop as its Cancel button would, so that
// the dialog closes its own window before anything else goes.
#include <windows.h>

#include <string>

class TProgramFileDialog {
public:
    std::string Title;
    // Pairs of description and pattern, each ended by '|'.
    std::string Filter;
    // The folder the dialog opens in; empty: the system's choice.
    std::string InitialDir;
    // The chosen path after Execute returned true.
    std::string FileName;

    // The OFN_* flags Execute passes.
    static DWORD Flags();

    bool Execute(HWND owner);
    bool Running() const { return owner_ != nullptr; }
    // The dialog's window while it runs (nullptr before it is shown).
    HWND Window() const;
    void Cancel();

private:
    HWND owner_ = nullptr;
};
