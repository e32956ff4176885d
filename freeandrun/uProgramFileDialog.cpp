#include "freeandrun/uProgramFileDialog.h"

#include <commdlg.h>

#include "toolkit/OpenFileDialog.h"
#include "toolkit/OwnedDialogs.h"

#include <vector>

DWORD TProgramFileDialog::Flags()
{
    // No existence checks: a path typed by hand is taken as it is. The
    // program's working folder stays where it was.
    return OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS | OFN_NOCHANGEDIR;
}

bool TProgramFileDialog::Execute(HWND owner)
{
    if (owner_) return false;  // one dialog at a time
    std::vector<char> filter = toolkit::FileDialogFilterList(Filter);
    // Room for a long path: the dialog refuses a choice that does not fit.
    std::vector<char> file(32768, '\0');
    OPENFILENAMEA request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = Filter.empty() ? nullptr : filter.data();
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    request.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    request.Flags = Flags();
    // The owner's handle is kept, not this object's liveness: the caller
    // checks its own watch after the loop.
    owner_ = owner ? owner : ::GetDesktopWindow();
    const BOOL chosen = ::GetOpenFileNameA(&request);
    owner_ = nullptr;
    if (!chosen) return false;
    FileName = file.data();
    return !FileName.empty();
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
