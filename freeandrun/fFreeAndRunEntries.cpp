// The manager's list and the handlers that edit its entries.
#include "freeandrun/fFreeAndRun.h"

#include "engine/uMemoryFigures.h"
#include "engine/uSizeText.h"
#include "freeandrun/uFreeAndRunList.h"
#include "settings/uKalvoraOptions.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

namespace {

std::string WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(0, copied)));
    return text;
}

int SelectedRow(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }

int RowEntryID(HWND list, int row)
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return static_cast<int>(item.lParam);
}

void SelectRow(HWND list, int row)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// A new entry starts at half of the memory.
std::unique_ptr<TFreeAndRunItem> NewEntry(const std::string& file)
{
    auto entry = std::make_unique<TFreeAndRunItem>();
    entry->FileToRun = file;
    entry->MBToFree = TotalPhysMB / 2;
    return entry;
}

}  // namespace

int TfrmFreeAndRun::SelectedID() const
{
    const int row = SelectedRow(ListView_);
    return row < 0 ? -1 : RowEntryID(ListView_, row);
}

TFreeAndRunItem* TfrmFreeAndRun::SelectedEntry() const
{
    // Found again by ID: an entry removed meanwhile is simply not there.
    const int id = SelectedID();
    if (id < 0 || !Options) return nullptr;
    return Options->FreeAndRunList().Find(id);
}

int TfrmFreeAndRun::RowCount() const { return static_cast<int>(::SendMessageA(ListView_, LVM_GETITEMCOUNT, 0, 0)); }

std::string TfrmFreeAndRun::RowText(int row) const
{
    // A name may be long: ask with room to spare until it fits.
    for (size_t size = 256;; size *= 4) {
        std::string text(size, '\0');
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        const int length =
            static_cast<int>(::SendMessageA(ListView_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length < static_cast<int>(size) - 1 || size > (1u << 20)) {
            text.resize(static_cast<size_t>(std::max(0, length)));
            return text;
        }
    }
}

int TfrmFreeAndRun::RowIcon(int row) const
{
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!::SendMessageA(ListView_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return item.iImage;
}

int TfrmFreeAndRun::ScrollPosition() const
{
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof(scroll);
    scroll.fMask = SIF_POS;
    ::GetScrollInfo(ScrollBar_, SB_CTL, &scroll);
    return scroll.nPos;
}

void TfrmFreeAndRun::RebuildList()
{
    if (!Options || !ListView_) return;
    ::SendMessageA(ListView_, WM_SETREDRAW, FALSE, 0);
    rebuilding_ = true;
    const int remembered = SelectedID();
    ::SendMessageA(ListView_, LVM_DELETEALLITEMS, 0, 0);

    const TFreeAndRunList& list = Options->FreeAndRunList();
    Icons_.Prune(list.Count());
    ::SendMessageA(ListView_, LVM_SETITEMCOUNT, static_cast<WPARAM>(list.Count()), 0);
    int selected = -1;
    int row = 0;
    for (const auto& entry : list) {
        std::string text = DisplayName(*entry);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = text.data();
        item.lParam = entry->ID;
        // Asked for when the row is first drawn: the shell is slow to hand
        // out icons, and most of a long list is never in view.
        item.iImage = I_IMAGECALLBACK;
        const int added = static_cast<int>(::SendMessageA(ListView_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (added >= 0 && entry->ID == remembered) selected = added;
        if (added >= 0) ++row;
    }
    if (selected < 0 && row > 0) selected = 0;
    if (selected >= 0) {
        SelectRow(ListView_, selected);
        ::SendMessageA(ListView_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
    }
    rebuilding_ = false;
    ListViewSelectItem();
    ::SendMessageA(ListView_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(ListView_, nullptr, TRUE);
}

void TfrmFreeAndRun::ListViewGetImage(NMLVDISPINFOA& request)
{
    if (!(request.item.mask & LVIF_IMAGE)) return;
    const TFreeAndRunItem* entry = Options ? Options->FreeAndRunList().Find(static_cast<int>(request.item.lParam)) : nullptr;
    request.item.iImage = entry ? Icons_.IconFor(entry->FileToRun) : -1;
    // Kept by the row from now on: asked once per row and rebuild.
    request.item.mask |= LVIF_DI_SETITEM;
}

void TfrmFreeAndRun::ShowSelectionState(bool selected)
{
    for (HWND control : {txtName_, ScrollBar_, txtProgramPath_, cmdBrowse_}) ::EnableWindow(control, selected);
    if (selected) return;
    settingName_ = true;
    ::SetWindowTextA(txtProgramPath_, "");
    ::SetWindowTextA(txtName_, "");
    settingName_ = false;
}

void TfrmFreeAndRun::ListViewSelectItem()
{
    TFreeAndRunItem* entry = SelectedEntry();
    // A click beside the rows selects nothing: then nothing may be edited.
    ShowSelectionState(entry != nullptr);
    if (!entry) return;
    ::SetWindowTextA(txtProgramPath_, entry->FileToRun.c_str());
    // Shown, not typed: the stored name stays as it is.
    settingName_ = true;
    ::SetWindowTextA(txtName_, entry->Name.c_str());
    settingName_ = false;
    SetScrollPosition(entry->MBToFree);
}

void TfrmFreeAndRun::txtNameChange()
{
    if (settingName_) return;
    if (TFreeAndRunItem* entry = SelectedEntry()) {
        entry->Name = CleanEntryName(WindowText(txtName_));
        nameTyped_ = true;
    }
}

void TfrmFreeAndRun::txtNameExit()
{
    if (!nameTyped_ || !Options) return;
    nameTyped_ = false;
    Options->NotifyChange(ChangeFreeAndRun);
}

void TfrmFreeAndRun::SetScrollPosition(int position)
{
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof(scroll);
    scroll.fMask = SIF_POS;
    scroll.nPos = position;
    ::SetScrollInfo(ScrollBar_, SB_CTL, &scroll, TRUE);
    // Run even when the position stays: the label and the marker belong to
    // the entry just selected, not to the one before it.
    ScrollBarChange();
}

void TfrmFreeAndRun::ScrollBarScroll(int request)
{
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof(scroll);
    scroll.fMask = SIF_ALL;
    if (!::GetScrollInfo(ScrollBar_, SB_CTL, &scroll)) return;
    const int page = static_cast<int>(scroll.nPage);
    int position = scroll.nPos;
    switch (request) {
    case SB_LINELEFT: position -= 1; break;
    case SB_LINERIGHT: position += 1; break;
    case SB_PAGELEFT: position -= std::max(1, page); break;
    case SB_PAGERIGHT: position += std::max(1, page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = scroll.nTrackPos; break;
    case SB_LEFT: position = scroll.nMin; break;
    case SB_RIGHT: position = scroll.nMax; break;
    default: return;
    }
    const int highest = scroll.nMax - std::max(0, page - 1);
    position = std::clamp(position, scroll.nMin, std::max(scroll.nMin, highest));
    if (position == scroll.nPos) return;
    scroll.fMask = SIF_POS;
    scroll.nPos = position;
    ::SetScrollInfo(ScrollBar_, SB_CTL, &scroll, TRUE);
    ScrollBarChange();
}

void TfrmFreeAndRun::ScrollBarChange()
{
    TFreeAndRunItem* entry = SelectedEntry();
    if (!entry) return;
    entry->MBToFree = std::clamp(ScrollPosition(), 1, std::max(1, TotalPhysMB));
    PerformanceChart_.SetAdjustValue(static_cast<uint32_t>(entry->MBToFree));
    ::SetWindowTextA(lblMB_, FreeUpSizeText(entry->MBToFree).c_str());
}

void TfrmFreeAndRun::cmdAddClick()
{
    bool stillHere = false;
    if (!RunOpenDialog(stillHere) || !stillHere || !Options) return;
    // The list keeps no more than a load reads back.
    if (Options->FreeAndRunList().Count() >= MaxFreeAndRunEntries) return;
    Options->AddFreeAndRunItem(NewEntry(OpenDialog_.FileName));
}

void TfrmFreeAndRun::AddFiles(const std::vector<std::string>& files)
{
    if (!Options) return;
    // One notification for the whole drop: one rebuild, not one per file.
    bool added = false;
    for (const std::string& file : files) {
        if (Options->FreeAndRunList().Count() >= MaxFreeAndRunEntries) break;
        Options->FreeAndRunList().Add(NewEntry(file));
        added = true;
    }
    if (added) Options->NotifyChange(ChangeFreeAndRun);
}

void TfrmFreeAndRun::cmdRemoveClick()
{
    TFreeAndRunItem* entry = SelectedEntry();
    if (!entry || !Options) return;
    // Destroyed at once; the row that named it is gone with the rebuild.
    std::unique_ptr<TFreeAndRunItem> removed = Options->FreeAndRunList().Remove(entry);
    removed.reset();
    Options->NotifyChange(ChangeFreeAndRun);
}

void TfrmFreeAndRun::cmdBrowseClick()
{
    if (!SelectedEntry()) return;
    const int id = SelectedID();
    bool stillHere = false;
    if (!RunOpenDialog(stillHere) || !stillHere || !Options) return;
    // The entry may have gone while the dialog ran.
    TFreeAndRunItem* entry = Options->FreeAndRunList().Find(id);
    if (!entry) return;
    entry->FileToRun = OpenDialog_.FileName;
    ::SetWindowTextA(txtProgramPath_, entry->FileToRun.c_str());
    Options->NotifyChange(ChangeFreeAndRun);
}
