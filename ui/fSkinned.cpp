#include "ui/fSkinned.h"

#include "skin/SkinNodes.h"
#include "skin/SkinResources.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/Error.h"
#include "toolkit/WideText.h"

#include <algorithm>
#include <exception>

namespace {

constexpr char SkinnedClass[] = "TfrmSkinned";

constexpr DWORD FixedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD SizeableStyle = FixedStyle | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// Tab moves through the controls of a subclass's own child windows too.
constexpr DWORD FixedExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr DWORD SizeableExStyle = WS_EX_CONTROLPARENT;

bool IsWindowOfThisProcess(HWND window)
{
    if (!window || !::IsWindow(window)) return false;
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process == ::GetCurrentProcessId();
}

// Posted to itself when its owner took the activation from a modal dialog.
constexpr UINT WM_SKINNED_REACTIVATE = WM_APP + 1;

// A button that Enter may press: a push button, or one the dialog draws.
bool IsPushButton(HWND window)
{
    char className[16] = {};
    if (!window || !::GetClassNameA(window, className, sizeof(className)) || _stricmp(className, "Button") != 0)
        return false;
    const LONG_PTR type = ::GetWindowLongPtrA(window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

bool IsDrawnByDialog(HWND button)
{
    return (::GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
}

// A colour percent of the way from one colour to another.
COLORREF Blend(COLORREF from, COLORREF to, int percent)
{
    const auto channel = [percent](int a, int b) { return static_cast<BYTE>(a + (b - a) * percent / 100); };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}

// The children that show the dialog's texts: skin labels and static controls.
bool ShowsText(HWND child)
{
    char className[32] = {};
    if (!::GetClassNameA(child, className, sizeof(className))) return false;
    return _stricmp(className, "KalvoraSkinLabel") == 0 || _stricmp(className, "Static") == 0;
}

struct Refont {
    HFONT from;
    HFONT to;
};

BOOL CALLBACK RefontChild(HWND child, LPARAM param)
{
    const auto* refont = reinterpret_cast<const Refont*>(param);
    if (!ShowsText(child)) return TRUE;
    // A control that a subclass gave a font of its own keeps it.
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0));
    if (font == refont->from || font == nullptr) ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(refont->to), TRUE);
    return TRUE;
}

RECT WorkAreaNear(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = window ? ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                              : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (monitor && ::GetMonitorInfoA(monitor, &info)) return info.rcWork;
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

TfrmSkinned::TfrmSkinned(HWND owner, const Layout& layout)
    : owner_(IsWindowOfThisProcess(owner) ? owner : nullptr)
{
    Font_.Reset(::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
    background_ = ::GetSysColor(COLOR_BTNFACE);
    backgroundBrush_.Reset(::CreateSolidBrush(background_));

    const DWORD style = layout.sizeable ? SizeableStyle : FixedStyle;
    const DWORD exStyle = layout.sizeable ? SizeableExStyle : FixedExStyle;
    RECT outer{0, 0, layout.clientWidth, layout.clientHeight};
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    CreateArgs args;
    args.className = SkinnedClass;
    args.caption = layout.caption;
    args.style = style;
    args.exStyle = exStyle;
    args.x = 0;
    args.y = 0;
    args.width = outer.right - outer.left;
    args.height = outer.bottom - outer.top;
    args.parent = owner_;
    Create(args);
}

TfrmSkinned::~TfrmSkinned()
{
    // The first failure ends the step: a skin that was never applied leaves
    // nothing to remove, and the component drops what it still holds when
    // it goes.
    try {
        Skin_.RemoveSkin(Handle());
        Skin_.UnloadSkin();
    } catch (const std::exception&) {
    }
    WindowObject_ = nullptr;
    // The window goes while the font and brush that its controls use exist.
    Destroy();
}

void TfrmSkinned::CreateExplanation(skin::TSkinLabel& label, int height)
{
    RECT client{};
    ::GetClientRect(Handle(), &client);
    skin::TSkinLabel::Args args;
    args.parent = Handle();
    args.x = 8;
    args.y = 10;
    args.width = client.right - 16;
    args.height = height;
    label.Create(args);
    ::SendMessageA(label.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
}

void TfrmSkinned::LoadSkinFile(const std::string& path) { Skin_.LoadSkin(toolkit::WideFromAnsi(path)); }

void TfrmSkinned::ShowStep()
{
    try {
        Skin_.ApplySkin(Handle());
    } catch (const std::exception&) {
    }
    // Without a skin on the window this fails and the dialog keeps its own
    // colour.
    try {
        skin::ISkinObject* object = Skin_.GetWindowObject(Handle());
        WindowObject_ = object;
        if (auto* window = dynamic_cast<skin::ISkinWindow*>(object)) SetBackgroundColor(skin::ColorValue(window->GetColor()));
    } catch (const std::exception&) {
    }
    try {
        TakeTextLook(WindowObject_);
    } catch (const std::exception&) {
    }
    FormShow();
}

void TfrmSkinned::TakeTextLook(skin::ISkinObject* window)
{
    // What an earlier skin gave goes first: each show takes the look anew.
    textColor_ = CLR_INVALID;
    toolkit::UniqueFont font;
    skin::ISkinObject* element = window ? window->FindObject(DialogTextElementName) : nullptr;
    if (auto* text = dynamic_cast<skin::ISkinStatic*>(element)) {
        try {
            textColor_ = skin::ColorValue(text->GetColor());
        } catch (const skin::SkinError&) {
            // No colour given: the system's stays.
        }
    }
    // The skin's font is copied: the skin's own goes with the skin, and the
    // dialog's controls may still use theirs until they are gone.
    if (auto* node = dynamic_cast<skin::SkinNode*>(element); node && !node->FontName().empty()) {
        LOGFONTA lf{};
        HFONT skinFont = node->Scene().Resources().Font(node->FontName());
        if (skinFont && ::GetObjectA(skinFont, sizeof(lf), &lf) == sizeof(lf)) font.Reset(::CreateFontIndirectA(&lf));
    }
    if (font || textFont_) {
        Refont refont{TextFont(), font ? font.Get() : Font_.Get()};
        ::EnumChildWindows(Handle(), &RefontChild, reinterpret_cast<LPARAM>(&refont));
        // The old one goes only after no control uses it any more.
        textFont_ = std::move(font);
    }
    // The controls too: a dialog shown again may have them on screen.
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TfrmSkinned::SetBackgroundColor(COLORREF color)
{
    if (color == background_ && backgroundBrush_) return;
    toolkit::UniqueBrush brush(::CreateSolidBrush(color));
    if (!brush) return;  // keeps the colour it had
    background_ = color;
    backgroundBrush_ = std::move(brush);
    if (Exists()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TfrmSkinned::CentreOnOwner()
{
    RECT bounds{};
    if (!::GetWindowRect(Handle(), &bounds)) return;
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;

    // A hidden or minimised owner has no place worth centring on.
    const bool onOwner = owner_ && ::IsWindowVisible(owner_) && !::IsIconic(owner_);
    RECT around{};
    if (!onOwner || !::GetWindowRect(owner_, &around)) around = WorkAreaNear(nullptr);
    const RECT work = WorkAreaNear(onOwner ? owner_ : nullptr);

    int x = around.left + (around.right - around.left - width) / 2;
    int y = around.top + (around.bottom - around.top - height) / 2;
    // Kept on the owner's screen, its title bar reachable.
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmSkinned::FocusFirstControl()
{
    HWND focus = focus_ && ::IsWindow(focus_) && ::IsChild(Handle(), focus_) ? focus_ : nullptr;
    if (!focus) focus = ::GetNextDlgTabItem(Handle(), nullptr, FALSE);
    ::SetFocus(focus ? focus : Handle());
}

int TfrmSkinned::DefaultButtonId() const
{
    HWND focus = ::GetFocus();
    if (focus && ::IsChild(Handle(), focus) && IsPushButton(focus)) return ::GetDlgCtrlID(focus);
    return IDOK;
}

HWND TfrmSkinned::DefaultButton() const
{
    if (defaultButton_ && ::IsWindow(defaultButton_) && ::IsChild(Handle(), defaultButton_)) return defaultButton_;
    return Exists() ? ::GetDlgItem(Handle(), IDOK) : nullptr;
}

void TfrmSkinned::FollowFocusWithDefaultButton()
{
    if (!Exists()) return;
    HWND wanted = ::GetDlgItem(Handle(), DefaultButtonId());
    HWND previous = DefaultButton();
    if (!IsPushButton(wanted) || wanted == previous) return;
    defaultButton_ = wanted;
    for (HWND button : {previous, wanted}) {
        if (!button) continue;
        if (IsDrawnByDialog(button))
            ::InvalidateRect(button, nullptr, FALSE);
        else
            ::SendMessageA(button, BM_SETSTYLE, button == wanted ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

void TfrmSkinned::DrawButton(const DRAWITEMSTRUCT& item) const
{
    HDC dc = item.hDC;
    const RECT r = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool isDefault = item.hwndItem == DefaultButton();

    // Flat and rounded in the dialog's own face colour, as the skin draws
    // its buttons; the default one has a darker double border.
    ::FillRect(dc, &r, backgroundBrush_.Get());
    const COLORREF fill = pressed ? Blend(background_, RGB(0, 0, 0), 12) : Blend(background_, RGB(255, 255, 255), 75);
    const COLORREF border = Blend(background_, RGB(0, 0, 0), isDefault ? 55 : 25);
    toolkit::UniqueBrush brush(::CreateSolidBrush(fill));
    toolkit::UniquePen pen(::CreatePen(PS_SOLID, 1, border));
    if (brush && pen) {
        toolkit::SelectGuard selectPen(dc, pen.Get());
        {
            toolkit::SelectGuard selectBrush(dc, brush.Get());
            ::RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8);
        }
        if (isDefault) {
            toolkit::SelectGuard hollow(dc, ::GetStockObject(NULL_BRUSH));
            ::RoundRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, 6, 6);
        }
    }

    char text[128] = {};
    ::GetWindowTextA(item.hwndItem, text, sizeof(text));
    RECT textArea = r;
    if (pressed) ::OffsetRect(&textArea, 1, 1);
    toolkit::SelectGuard selectFont(dc, Font_.Get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    ::DrawTextA(dc, text, -1, &textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = r;
        ::InflateRect(&focus, -4, -4);
        ::DrawFocusRect(dc, &focus);
    }
}

void TfrmSkinned::Show()
{
    if (!Exists()) throw toolkit::Error("The dialog has no window");
    const toolkit::LifeWatch alive = Watch();
    ShowStep();
    if (!alive.Alive() || !Exists()) return;
    // After the skin, which may have given the window another size.
    if (!centred_) {
        centred_ = true;
        CentreOnOwner();
    }
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    FocusFirstControl();
}

int TfrmSkinned::ShowModal()
{
    if (inModalLoop_) throw toolkit::Error("The dialog is shown already");
    if (!Exists()) throw toolkit::Error("The dialog has no window");
    const toolkit::LifeWatch alive = Watch();
    // Held apart from the object: the owner is enabled again even when the
    // dialog went away during the loop.
    const HWND owner = owner_;
    const bool disableOwner = owner && ::IsWindow(owner) && ::IsWindowEnabled(owner);

    modalEnded_ = false;
    modalResult_ = ModalResultNone;
    inModalLoop_ = true;
    if (disableOwner) ::EnableWindow(owner, FALSE);
    try {
        Show();
    } catch (...) {
        if (alive.Alive()) inModalLoop_ = false;
        if (disableOwner) ::EnableWindow(owner, TRUE);
        throw;
    }

    while (alive.Alive() && !modalEnded_ && Exists()) {
        MSG message{};
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: the outer loop sees the quit as well.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        if (!alive.Alive() || !Exists() || !::IsDialogMessageA(Handle(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        if (alive.Alive()) FollowFocusWithDefaultButton();
    }

    // The owner first, so that activation goes back to it and not to
    // another program when the dialog hides.
    if (disableOwner && ::IsWindow(owner)) ::EnableWindow(owner, TRUE);
    if (!alive.Alive()) return ModalResultNone;
    inModalLoop_ = false;
    if (Exists()) {
        if (::GetActiveWindow() == Handle() && owner && ::IsWindow(owner)) ::SetActiveWindow(owner);
        ::ShowWindow(Handle(), SW_HIDE);
    }
    return modalEnded_ ? modalResult_ : ModalResultNone;
}

void TfrmSkinned::EndModal(int result)
{
    if (!inModalLoop_ || modalEnded_) return;
    modalResult_ = result;
    modalEnded_ = true;
    // Wakes the loop when the end comes from outside any of its messages.
    if (Exists()) ::PostMessageA(Handle(), WM_NULL, 0, 0);
}

LRESULT TfrmSkinned::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client{};
        ::GetClientRect(Handle(), &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, backgroundBrush_.Get());
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, background_);
        ::SetTextColor(dc, TextColor());
        return reinterpret_cast<LRESULT>(backgroundBrush_.Get());
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(Font_.Get());
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!item || item->CtlType != ODT_BUTTON || !::IsChild(Handle(), item->hwndItem)) break;
        DrawButton(*item);
        return TRUE;
    }
    case WM_SKINNED_REACTIVATE:
        if (inModalLoop_ && ::IsWindowVisible(Handle())) {
            ::SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            ::SetForegroundWindow(Handle());
        }
        return 0;
    case DM_GETDEFID: return MAKELRESULT(DefaultButtonId(), DC_HASDEFID);
    case WM_ACTIVATE:
        // A plain window does not keep its focused control across
        // activations as a dialog does.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(Handle(), focus)) focus_ = focus;
            // The owner is disabled while the dialog runs; brought to the
            // front (a second start shows the main window), it would hide
            // the one window that takes input. The dialog comes back above
            // it, once the activation has settled.
            if (inModalLoop_ && owner_ && reinterpret_cast<HWND>(lParam) == owner_)
                ::PostMessageA(Handle(), WM_SKINNED_REACTIVATE, 0, 0);
        } else if (::IsWindowVisible(Handle())) {
            FocusFirstControl();
        }
        return 0;
    case WM_COMMAND:
        // Esc and the close box end a modal dialog as Cancel unless the
        // subclass has a cancel button that does it.
        if (LOWORD(wParam) == IDCANCEL && inModalLoop_) {
            EndModal(IDCANCEL);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (inModalLoop_) {
            // Through the cancel command, so that a subclass's cancel
            // handler runs exactly as for its button.
            ::SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            if (inModalLoop_) EndModal(IDCANCEL);
            return 0;
        }
        break;
    default: break;
    }
    return DefaultHandler(message, wParam, lParam);
}
