// The manager window: its controls, their layout, the messages it handles
// and its lifetime. The list and the entry handlers are in
// fFreeAndRunEntries.cpp.
#include "freeandrun/fFreeAndRun.h"

#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "engine/uSizeText.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uRegistry.h"
#include "toolkit/Application.h"
#include "toolkit/WideText.h"
#include "ui/fSkinnedControls.h"
#include "ui/uSkinHelper.h"
#include "ui/uSkinNames.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <exception>

namespace {

enum ControlId : int {
    ListViewId = 201,
    AddId,
    RemoveId,
    ProgramPathId,
    BrowseId,
    NameId,
    ScrollBarId,
    MBLabelId,
    CloseId,
};

constexpr int Margin = 8;
constexpr int ButtonHeight = 25;
constexpr int EditHeight = 21;
constexpr int LabelHeight = 16;
// Below this the controls would overlap.
constexpr int MinClientWidth = 420;
constexpr int MinClientHeight = 280;

void Place(HWND control, int x, int y, int width, int height)
{
    if (control) ::MoveWindow(control, x, y, std::max(0, width), std::max(0, height), TRUE);
}

skin::TSkinLabel::Args LabelArgs(HWND parent, UINT id)
{
    skin::TSkinLabel::Args args;
    args.parent = parent;
    args.width = 100;
    args.height = LabelHeight;
    args.id = id;
    return args;
}

}  // namespace

std::string CleanEntryName(const std::string& typed)
{
    std::string name;
    name.reserve(typed.size());
    for (char c : typed) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) continue;
        name.push_back(c);
    }
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const size_t last = name.find_last_not_of(' ');
    return name.substr(first, last - first + 1);
}

TfrmFreeAndRun::TfrmFreeAndRun(HWND owner)
    : TfrmSkinned(owner, Layout{FreeAndRunCaption, FreeAndRunClientWidth, FreeAndRunClientHeight, true})
{
    // The title bar offers close and maximise only.
    ::SetWindowLongA(Handle(), GWL_STYLE, ::GetWindowLongA(Handle(), GWL_STYLE) & ~WS_MINIMIZEBOX);
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    CreateControls();
    FormCreate();
}

TfrmFreeAndRun::~TfrmFreeAndRun()
{
    if (hookId_) toolkit::Application::Instance().RemoveMessageHook(hookId_);
    hookId_ = 0;
    // The image list goes before the list view does: the view must not
    // hold on to it.
    if (ListView_ && ::IsWindow(ListView_)) ::SendMessageA(ListView_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    if (Exists()) FormDestroy();
}

void TfrmFreeAndRun::CreateControls()
{
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_LISTVIEW_CLASSES;
    ::InitCommonControlsEx(&init);

    const HFONT font = DialogFont();
    const RECT none{0, 0, 10, 10};
    cmdAdd_ = CreateDialogControl(Handle(), "BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, none, AddId, font);
    cmdRemove_ = CreateDialogControl(Handle(), "BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, none, RemoveId, font);
    // Read-only rows (no label editing), one selected at a time, shown
    // while the focus is elsewhere; the image list stays ours.
    ListView_ = CreateDialogControl(Handle(), WC_LISTVIEWA, "",
                                    WS_TABSTOP | WS_BORDER | LVS_SMALLICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                        LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE,
                                    none, ListViewId, font);
    ::SendMessageA(ListView_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(Icons_.Handle()));

    lblProgPath_.Create(LabelArgs(Handle(), 0));
    txtProgramPath_ = CreateDialogControl(Handle(), "EDIT", "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY,
                                          none, ProgramPathId, font);
    cmdBrowse_ = CreateDialogControl(Handle(), "BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, none, BrowseId, font);
    lblName_.Create(LabelArgs(Handle(), 0));
    txtName_ = CreateDialogControl(Handle(), "EDIT", "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, none, NameId, font);
    lblAmount_.Create(LabelArgs(Handle(), 0));
    lblMB_ = CreateDialogControl(Handle(), "STATIC", "", SS_LEFT | SS_NOPREFIX, none, MBLabelId, font);
    ScrollBar_ = CreateDialogControl(Handle(), "SCROLLBAR", "", WS_TABSTOP | SBS_HORZ, none, ScrollBarId, font);

    PerformanceChart_.OnGetMaxY = [](TPerformanceChart&, uint32_t& maxY) {
        // The chart divides by it.
        maxY = static_cast<uint32_t>(std::max(1, TotalPhysMB));
    };
    PerformanceChart_.OnGetYDisplay = [](TPerformanceChart&, uint32_t y, std::string& display) {
        display = std::to_string(y) + " MB";
    };
    PerformanceChart_.CreateChild(Handle());

    cmdClose_ = CreateDialogControl(Handle(), "BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, none, CloseId, font);
    for (const skin::TSkinLabel* label : {&lblProgPath_, &lblName_, &lblAmount_})
        ::SendMessageA(label->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    // Files dragged from Explorer onto the window.
    ::DragAcceptFiles(Handle(), TRUE);
    // A modeless window gets Tab and the arrow keys between its controls
    // only when the loop asks it.
    hookId_ = toolkit::Application::Instance().AddMessageHook([this](MSG& message) { return DialogKeys(message); });
    LayOut();
}

void TfrmFreeAndRun::FormCreate()
{
    ::SetWindowTextA(Handle(), FreeAndRunCaption);
    ::SetWindowTextA(cmdAdd_, "Add");
    ::SetWindowTextA(cmdRemove_, "Remove");
    ::SetWindowTextA(cmdClose_, "Close");
    lblProgPath_.SetCaption(L"Program file");
    lblName_.SetCaption(L"Name");
    lblAmount_.SetCaption(L"Amount of memory to free-up:");

    OpenDialog_.Title = "Add Program";
    OpenDialog_.Filter = ProgramFilter;
    OpenDialog_.InitialDir = ReadRegString(ShellFoldersKey, "Start Menu", "");

    // With the page, the thumb reaches 1 to TotalPhysMB + 1.
    const int page = TotalPhysMB / 20;
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof(scroll);
    scroll.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    scroll.nMin = 1;
    scroll.nMax = TotalPhysMB + page;
    scroll.nPage = static_cast<UINT>(std::max(0, page));
    scroll.nPos = 1;
    ::SetScrollInfo(ScrollBar_, SB_CTL, &scroll, TRUE);

    PerformanceChart_.SetShowAdjust(true);
    PerformanceChart_.SetAdjustValue(static_cast<uint32_t>(std::max(0, TotalPhysMB / 2)));
    ::SetWindowTextA(lblMB_, SizeText(1).c_str());
    // Nothing selected until the first list arrives.
    ShowSelectionState(false);

    // The ChangeAll this posts fills the list.
    if (Options) Options->RegisterNotifyWindow(Handle());
}

void TfrmFreeAndRun::FormShow() { ChartColorsFromSkin(); }

void TfrmFreeAndRun::ChartColorsFromSkin()
{
    struct ColourElement {
        int id;
        uint32_t (TPerformanceChart::*get)() const;
        void (TPerformanceChart::*set)(uint32_t);
    };
    static const ColourElement elements[] = {
        {401, &TPerformanceChart::Color, &TPerformanceChart::SetColor},
        {402, &TPerformanceChart::DataColor, &TPerformanceChart::SetDataColor},
        {403, &TPerformanceChart::CPUColor, &TPerformanceChart::SetCPUColor},
        {404, &TPerformanceChart::AdjustColor, &TPerformanceChart::SetAdjustColor},
        {406, &TPerformanceChart::AdjustColor2, &TPerformanceChart::SetAdjustColor2},
        {405, &TPerformanceChart::FontColor, &TPerformanceChart::SetFontColor},
    };
    skin::ISkinObject* root = WindowObject();
    for (const ColourElement& element : elements) {
        // An element the skin lacks, or one without colour, keeps the chart's.
        skin::ISkinObject* found = nullptr;
        try {
            found = FindElement(root, SkinIDToName(element.id));
        } catch (const std::exception&) {
        }
        TPerformanceChart& chart = PerformanceChart_;
        (chart.*element.set)(ReadElementColor(found, (chart.*element.get)()));
    }
}

void TfrmFreeAndRun::LayOut()
{
    if (!cmdClose_) return;  // a size message before the controls exist
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int width = std::max(static_cast<int>(client.right), MinClientWidth);
    const int height = std::max(static_cast<int>(client.bottom), MinClientHeight);

    // The left column: the two buttons side by side, the list below.
    const int columnWidth = FreeAndRunLeftColumn - Margin;
    const int buttonWidth = (columnWidth - Margin / 2) / 2;
    Place(cmdAdd_, Margin, Margin, buttonWidth, ButtonHeight);
    Place(cmdRemove_, FreeAndRunLeftColumn - buttonWidth, Margin, buttonWidth, ButtonHeight);
    const int listTop = Margin + ButtonHeight + Margin / 2;
    Place(ListView_, Margin, listTop, columnWidth, height - listTop - Margin);

    // The right part, from the top.
    const int left = FreeAndRunLeftColumn + Margin + 2;
    const int right = width - Margin;
    const int browseWidth = 25;
    int y = Margin;
    Place(lblProgPath_.Handle(), left, y, right - left, LabelHeight);
    y += LabelHeight + 2;
    Place(txtProgramPath_, left, y, right - left - browseWidth - 4, EditHeight);
    Place(cmdBrowse_, right - browseWidth, y, browseWidth, EditHeight);
    y += EditHeight + 8;
    Place(lblName_.Handle(), left, y, right - left, LabelHeight);
    y += LabelHeight + 2;
    Place(txtName_, left, y, right - left, EditHeight);
    y += EditHeight + 8;
    Place(lblAmount_.Handle(), left, y, right - left, LabelHeight);
    y += LabelHeight + 3;
    const int mbWidth = 96;
    Place(lblMB_, left, y + 1, mbWidth, LabelHeight);
    Place(ScrollBar_, left + mbWidth + 4, y, right - left - mbWidth - 4, 17);
    y += 17 + Margin;

    // The chart takes what is left above the Close button, which sits at
    // the bottom right.
    const int closeTop = height - Margin - ButtonHeight;
    Place(cmdClose_, right - 75, closeTop, 75, ButtonHeight);
    PerformanceChart_.SetBounds(left, y, right - left, std::max(1, closeTop - Margin - y));
}

void TfrmFreeAndRun::BringUp()
{
    if (!Exists()) return;
    // While the file dialog runs, the dialog is what the user needs.
    if (HWND dialog = OpenDialog_.Window()) {
        ::SetForegroundWindow(dialog);
        return;
    }
    if (!::IsWindowVisible(Handle())) {
        Show();
        return;
    }
    if (::IsIconic(Handle())) ::ShowWindow(Handle(), SW_RESTORE);
    ::SetForegroundWindow(Handle());
}

void TfrmFreeAndRun::RepaintChart()
{
    if (PerformanceChart_.Exists()) PerformanceChart_.Invalidate();
}

void TfrmFreeAndRun::EndForExit()
{
    if (!OpenDialog_.Running()) return;
    closePending_ = true;
    OpenDialog_.Cancel();
}

void TfrmFreeAndRun::cmdCloseClick() { FormClose(); }

void TfrmFreeAndRun::FormClose()
{
    // Not from under the file dialog's loop: once it has returned.
    if (OpenDialog_.Running()) {
        closePending_ = true;
        return;
    }
    closePending_ = false;
    Destroy();
}

void TfrmFreeAndRun::FormDestroy()
{
    if (formDestroyed_) return;
    formDestroyed_ = true;
    if (hookId_) toolkit::Application::Instance().RemoveMessageHook(hookId_);
    hookId_ = 0;
    ::DragAcceptFiles(Handle(), FALSE);
    if (!Options) return;
    Options->UnregisterNotifyWindow(Handle());
    // The tray submenu takes the final names.
    Options->NotifyChange(ChangeFreeAndRun);
}

bool TfrmFreeAndRun::RunOpenDialog(bool& stillHere)
{
    const toolkit::LifeWatch alive = Watch();
    const HWND window = Handle();
    // The program may end inside the dialog's loop. Owned by the engine,
    // this window would then go with it, and the dialog with this window,
    // from under the loop. Unowned while the dialog runs, it stays until
    // the engine has cancelled the dialog (EndForExit) and the loop has
    // returned; the engine keeps the object meanwhile (InFileDialog).
    const HWND owner = ::GetWindow(window, GW_OWNER);
    if (owner) ::SetWindowLongPtrA(window, GWLP_HWNDPARENT, 0);
    bool chosen = false;
    try {
        chosen = OpenDialog_.Execute(window);
    } catch (...) {
        stillHere = alive.Alive();
        throw;
    }
    stillHere = alive.Alive() && Exists();
    if (!stillHere) return false;
    if (owner && ::IsWindow(owner) && !closePending_)
        ::SetWindowLongPtrA(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    if (closePending_) {
        // Closed while the dialog ran: from the top of the queue.
        ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
        stillHere = false;
        return false;
    }
    return chosen;
}

void TfrmFreeAndRun::DropFiles(HDROP drop)
{
    std::vector<std::string> files;
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count && i < 10000; ++i) {
        const UINT length = ::DragQueryFileA(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::string file(length + 1, '\0');
        const UINT copied = ::DragQueryFileA(drop, i, file.data(), length + 1);
        file.resize(copied);
        if (!file.empty()) files.push_back(file);
    }
    ::DragFinish(drop);
    AddFiles(files);
}

bool TfrmFreeAndRun::DialogKeys(MSG& message)
{
    if (!Exists() || message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    if (message.hwnd != Handle() && !::IsChild(Handle(), message.hwnd)) return false;
    // Delete on the list removes; Enter and Esc do nothing here.
    if (message.hwnd == ListView_ && message.wParam == VK_DELETE) return false;
    return ::IsDialogMessageA(Handle(), &message) != FALSE;
}

LRESULT TfrmFreeAndRun::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_OPTIONS_CHANGED:
        if (static_cast<int>(wParam) & ChangeFreeAndRun) RebuildList();
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        switch (id) {
        case AddId: if (code == BN_CLICKED) cmdAddClick(); return 0;
        case RemoveId: if (code == BN_CLICKED) cmdRemoveClick(); return 0;
        case BrowseId: if (code == BN_CLICKED) cmdBrowseClick(); return 0;
        case CloseId: if (code == BN_CLICKED) cmdCloseClick(); return 0;
        case NameId:
            if (code == EN_CHANGE) txtNameChange();
            else if (code == EN_KILLFOCUS) txtNameExit();
            return 0;
        case IDOK:
        case IDCANCEL:
            return 0;  // Enter and Esc: no default or cancel button here
        default: break;
        }
        break;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == ListView_) {
            if (header->code == LVN_ITEMCHANGED) {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if ((change->uChanged & LVIF_STATE) &&
                    ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) && !rebuilding_)
                    ListViewSelectItem();
            } else if (header->code == LVN_GETDISPINFOA || header->code == LVN_GETDISPINFOW) {
                // The item fields read here lie alike in both forms.
                ListViewGetImage(*reinterpret_cast<NMLVDISPINFOA*>(lParam));
            } else if (header->code == LVN_KEYDOWN) {
                if (reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE) cmdRemoveClick();
            }
            return 0;
        }
        break;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == ScrollBar_) {
            ScrollBarScroll(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_SIZE:
        LayOut();
        break;
    case WM_GETMINMAXINFO: {
        RECT outer{0, 0, MinClientWidth, MinClientHeight};
        ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongA(Handle(), GWL_EXSTYLE)));
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = outer.right - outer.left;
        limits->ptMinTrackSize.y = outer.bottom - outer.top;
        return 0;
    }
    case WM_CLOSE:
        FormClose();
        return 0;
    case WM_DESTROY:
        FormDestroy();
        break;
    default: break;
    }
    return TfrmSkinned::HandleMessage(message, wParam, lParam);
}
