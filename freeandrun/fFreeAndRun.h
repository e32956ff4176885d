#pragma once
// The free-and-run manager: the user's list of programs to start after a
// free-up, edited in place. Add, "..." and dropped files choose programs,
// the name field renames the selected entry, the scroll bar sets the level
// it frees down to, shown against the live memory chart. There is no OK or
// Cancel: every change goes straight into Options' list.
//
// The window learns of list changes (its own included) only from
// WM_OPTIONS_CHANGED with ChangeFreeAndRun, which rebuilds the rows. Rows
// carry their entry's ID, never a pointer: an entry removed meanwhile is
// simply not found.
//
// Lifetime: the engine owns the object. Closing destroys the window, and the
// engine deletes the object at its next look for it. While the file dialog
// runs, a close waits for the dialog to end; EndForExit ends that dialog and
// lets the window go as soon as its loop has returned.
#include "freeandrun/uProgramFileDialog.h"
#include "freeandrun/uShellIcons.h"
#include "monitor/cPChart2.h"
#include "skin/TSkinLabel.h"
#include "ui/fSkinned.h"

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <string>
#include <vector>

class TFreeAndRunItem;

inline constexpr char FreeAndRunCaption[] = "Free and run menu - manage entries";
inline constexpr int FreeAndRunClientWidth = 612;
inline constexpr int FreeAndRunClientHeight = 395;
inline constexpr int FreeAndRunLeftColumn = 185;
inline constexpr char ShellFoldersKey[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char ProgramFilter[] = "Program Files (*.exe, *.lnk)|*.exe;*.lnk|All files (*.*)|*.*";

// A typed name as it is stored: no blanks or control characters at either
// end, and no control characters inside (they would break the menu caption
// and the row).
std::string CleanEntryName(const std::string& typed);

class TfrmFreeAndRun : public TfrmSkinned {
public:
    explicit TfrmFreeAndRun(HWND owner);
    ~TfrmFreeAndRun() override;

    // Shows the window, or brings the open one (or its file dialog) forward.
    void BringUp();
    // Asks for a repaint of the chart; called by the engine after every sample.
    void RepaintChart();
    // The program is ending: a running file dialog is cancelled now and the
    // window closes once the dialog's loop has returned.
    void EndForExit();
    // A file dialog's loop is on the stack: the object must stay.
    bool InFileDialog() const { return OpenDialog_.Running(); }

    // Handlers, also for the tests.
    void ListViewSelectItem();
    void txtNameChange();
    void txtNameExit();
    void ScrollBarChange();
    void cmdAddClick();
    void cmdRemoveClick();
    void cmdBrowseClick();
    void cmdCloseClick();
    // Files dropped from Explorer, each added as Add adds one.
    void AddFiles(const std::vector<std::string>& files);

    // What the window shows, read by the tests.
    HWND ListView() const { return ListView_; }
    HWND AddButton() const { return cmdAdd_; }
    HWND RemoveButton() const { return cmdRemove_; }
    HWND ProgramPathEdit() const { return txtProgramPath_; }
    HWND BrowseButton() const { return cmdBrowse_; }
    HWND NameEdit() const { return txtName_; }
    HWND ScrollBar() const { return ScrollBar_; }
    HWND MBLabel() const { return lblMB_; }
    HWND CloseButton() const { return cmdClose_; }
    const skin::TSkinLabel& ProgPathLabel() const { return lblProgPath_; }
    const skin::TSkinLabel& NameLabel() const { return lblName_; }
    const skin::TSkinLabel& AmountLabel() const { return lblAmount_; }
    TPerformanceChart& PerformanceChart() { return PerformanceChart_; }
    const TProgramFileDialog& OpenDialog() const { return OpenDialog_; }
    const TShellIconList& Icons() const { return Icons_; }
    // The ID of the selected row's entry, or -1.
    int SelectedID() const;
    int RowCount() const;
    std::string RowText(int row) const;
    int RowIcon(int row) const;
    int ScrollPosition() const;

protected:
    void FormShow() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void FormCreate();
    void FormClose();
    void FormDestroy();
    void LayOut();
    void RebuildList();
    void ShowSelectionState(bool selected);
    // The row's icon, when the list view first needs it.
    void ListViewGetImage(NMLVDISPINFOA& request);
    void SetScrollPosition(int position);
    void ScrollBarScroll(int request);
    void ChartColorsFromSkin();
    // Runs the file dialog; false when it was cancelled or this window went
    // meanwhile (then nothing of it may be touched).
    bool RunOpenDialog(bool& stillHere);
    void DropFiles(HDROP drop);
    bool DialogKeys(MSG& message);
    TFreeAndRunItem* SelectedEntry() const;

    skin::TSkinLabel lblProgPath_;
    skin::TSkinLabel lblName_;
    skin::TSkinLabel lblAmount_;
    HWND ListView_ = nullptr;
    HWND cmdAdd_ = nullptr;
    HWND cmdRemove_ = nullptr;
    HWND txtProgramPath_ = nullptr;
    HWND cmdBrowse_ = nullptr;
    HWND txtName_ = nullptr;
    HWND ScrollBar_ = nullptr;
    HWND lblMB_ = nullptr;
    HWND cmdClose_ = nullptr;
    TPerformanceChart PerformanceChart_;
    TProgramFileDialog OpenDialog_;
    TShellIconList Icons_;
    int hookId_ = 0;
    bool rebuilding_ = false;
    bool settingName_ = false;
    // A name typed since the field was last left: only then do the list and
    // the tray menu need it.
    bool nameTyped_ = false;
    bool closePending_ = false;
    bool formDestroyed_ = false;
};
