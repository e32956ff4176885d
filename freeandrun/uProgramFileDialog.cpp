#include "freeandrun/uProgramFileDialog.h"

#include "toolkit/OpenFileDialog.h"
#include "toolkit/OwnedDialogs.h"

DWORD TProgramFileDialog::Flags()
{
    // No existence checks: a path typed by hand is taken as it is. The
    // program's working folder stays where it was.
    return OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS | OFN_NOCHANGEDIR;
}

bool TProgramFileDialog::Execute(HWND owner)
{
    if (owner_) return false;  // one dialog at a time
    toolkit::OpenFileDialog dialog;
    dialog.Title = Title;
    dialog.Filter = Filter;
    dialog.InitialDir = InitialDir;
    dialog.Flags = Flags();
    // The owner's handle is kept, not this object's liveness: the caller
    // checks its own watch after the loop.
    owner_ = owner ? owner : ::GetDesktopWindow();
    const bool chosen = dialog.Execute(owner);
    owner_ = nullptr;
    if (!chosen) return false;
    FileName = dialog.FileName;
    return true;
}

HWND TProgramFileDialog::Window() const
{
    if (!owner_) return nullptr;
    const std::vector<HWND> dialogs = toolkit::OwnedDialogs(owner_);
    return dialogs.empty() ? nullptr : dialogs.front();
}

void TProgramFileDialog::Cancel()
{
    // Sent, not posted: the dialog is told to end now, and its loop returns
    // as soon as control comes back to it, before anything posted runs.
    if (HWND dialog = Window())
        ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
}
