// The main window's life and its skin: creation, loading and switching the
// skin, the plain view without one, and the window messages. Pages, the
// timer, clicks and help are in fMainFormPages.cpp.
#include "ui/fMainForm.h"

#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uOptionTable.h"
#include "settings/uProgramFiles.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/HandlerErrors.h"
#include "toolkit/OwnedDialogs.h"
#include "toolkit/ReplaceAll.h"
#include "toolkit/WideText.h"
#include "ui/uKalvoraSkinHelper.h"
#include "ui/uSkinHelper.h"
#include "ui/uSkinNames.h"
#include "ui/uSkinTranslate.h"

#include <algorithm>
#include <exception>

int32_t RememberedLeft = -1;
int32_t RememberedTop = -1;

namespace {

constexpr UINT_PTR TimerId = 1;
constexpr UINT TimerIntervalMs = 250;
constexpr int LoadSkinButtonId = 100;

constexpr DWORD MainStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// A fixed dialog frame with the help button, and a taskbar button of its own.
constexpr DWORD MainExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP | WS_EX_APPWINDOW;

constexpr char SkinNeededText[] =
    "Kalvora requires a skin file to show the main window. Please load a skin. If your skin is valid it will "
    "automatically show. If not please load a different skin.";
constexpr char LoadSkinText[] = "Load Skin";
constexpr char SkinErrorTemplate[] = "There was an error loading the skin (%1). Please load a different skin.";
constexpr char SkinFilter[] = "Skins (*.skn)|*.skn";
constexpr char HelpFileName[] = "kalvora.chm";
constexpr char HelpContextWindow[] = "PopupWin";

HINSTANCE ModuleInstance() { return ::GetModuleHandleA(nullptr); }

// The program's icon at one system size; the caller owns it.
HICON LoadProgramIcon(int widthMetric, int heightMetric)
{
    return static_cast<HICON>(::LoadImageA(ModuleInstance(), "KALVORAICON", IMAGE_ICON, ::GetSystemMetrics(widthMetric),
                                           ::GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

HWND CreateChildControl(HWND parent, const char* className, DWORD style, int x, int y, int width, int height,
                        int id, HFONT font)
{
    HWND control = ::CreateWindowExA(0, className, "", WS_CHILD | style, x, y, width, height, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
    if (control && font) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

}  // namespace

TfrmMain::TfrmMain()
{
    Font_.Reset(::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
    BigIcon_.Reset(LoadProgramIcon(SM_CXICON, SM_CYICON));
    SmallIcon_.Reset(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON));

    RECT outer{0, 0, MainClientWidth, MainClientHeight};
    ::AdjustWindowRectEx(&outer, MainStyle, FALSE, MainExStyle);
    CreateArgs args;
    args.className = MainWindowClass;
    args.caption = MainWindowCaption;
    args.style = MainStyle;
    args.exStyle = MainExStyle;
    args.width = outer.right - outer.left;
    args.height = outer.bottom - outer.top;
    args.x = std::max(0, (::GetSystemMetrics(SM_CXSCREEN) - args.width) / 2);
    args.y = std::max(0, (::GetSystemMetrics(SM_CYSCREEN) - args.height) / 2);
    args.background = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    Create(args);
    if (BigIcon_) ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(BigIcon_.Get()));
    if (SmallIcon_) ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon_.Get()));

    CreateControls();
    // Nothing of the creation may escape into the engine: what fails is
    // shown, and the window stays usable for loading a skin.
    toolkit::CatchHandlerErrors(0, [this] {
        FormCreate();
        return 0;
    });
}

TfrmMain::~TfrmMain()
{
    // The window goes while every member still exists: FormDestroy reads
    // them, and the font and icons outlive the controls that use them.
    Destroy();
}

void TfrmMain::CreateControls()
{
    // SS_LEFT wraps its text at word boundaries.
    lblSkinNeeded_ = CreateChildControl(Handle(), "STATIC", SS_LEFT | SS_NOPREFIX, 8, 8, 241, 65, -1, Font_.Get());

    Skin_.OnSkinEvent = [this](skin::ISkinObject* source, const std::wstring& eventName) {
        SkinSkinEvent(source, eventName);
    };
    Skin_.OnMouseDown = [this](skin::ISkinObject* source, int, int, int) { SkinMouseDown(source); };
    Skin_.OnMouseUp = [this](skin::ISkinObject* source, int, int, int) { SkinMouseUp(source); };
    Skin_.OnScroll = [this](skin::ISkinObject* source, int newPos) { SkinScroll(source, newPos); };
    Skin_.OnScrollTrack = [this](skin::ISkinObject* source, int newPos) { SkinScrollTrack(source, newPos); };

    PerformanceChart_.OnGetMaxY = [](TPerformanceChart&, uint32_t& maxY) {
        // The chart divides by it.
        maxY = static_cast<uint32_t>(std::max(1, TotalPhysMB));
    };
    PerformanceChart_.OnGetYDisplay = [](TPerformanceChart&, uint32_t y, std::string& display) {
        display = std::to_string(y) + " MB";
    };
    PerformanceChart_.OnClick = [this](TPerformanceChart&) {
        if (ContextHelpMode_) ShowElementHelp(101);
    };
    PerformanceChart_.CreateChild(Handle());

    cmdLoadSkin_ = CreateChildControl(Handle(), "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 8, 88, 249, 25,
                                      LoadSkinButtonId, Font_.Get());
    if (cmdLoadSkin_) ::SetWindowTextA(cmdLoadSkin_, LoadSkinText);

    HTMLHelp_.ContextWindow = HelpContextWindow;
    OpenDialog_.DefaultExt = "skn";
    OpenDialog_.Filter = SkinFilter;
}

void TfrmMain::FormCreate()
{
    // The taskbar button comes with the window itself (WS_EX_APPWINDOW).
    RestorePosition_ = true;
    ContextHelpMode_ = false;
    SuppressNextClick_ = false;
    TrackApplied_ = false;
    OpenDialog_.InitialDir = ProgramFolder();
    HTMLHelp_.CallerWindow = Handle();
    HTMLHelp_.SetHelpFile(HelpFileName);
    TimerRunning_ = ::SetTimer(Handle(), TimerId, TimerIntervalMs, nullptr) != 0;

    CurrentPage_ = 0;
    Animations_.Clear();
    AnimationWait_ = 0;
    Animating_ = false;
    LoadMainSkin(true);
    // A close that came while the error box was open leaves nothing to fill.
    if (!Exists()) return;
    // Its first options message, which arrives later, fills every element.
    if (Options) Options->RegisterNotifyWindow(Handle());
    TimerTimer();
}

void TfrmMain::FormDestroy()
{
    if (Options) Options->UnregisterNotifyWindow(Handle());
    Animations_.Clear();
    RECT bounds{};
    if (::GetWindowRect(Handle(), &bounds)) {
        RememberedLeft = bounds.left;
        RememberedTop = bounds.top;
    }
    if (TimerRunning_) ::KillTimer(Handle(), TimerId);
    TimerRunning_ = false;
    // The skin lets go of the window by itself when it is gone; the
    // elements go with it.
    try {
        Skin_.UnloadSkin();
    } catch (const std::exception&) {
    }
    RootObject_ = nullptr;
    StatusElement_ = nullptr;
    Elements_ = TMainElements{};
    SkinLoaded_ = false;
}

void TfrmMain::FormClose()
{
    // Destroying the window now would pull it from under the dialog or box
    // still running on the stack; the close comes once that has returned.
    if (NestedLoops_ > 0) {
        ClosePending_ = true;
        return;
    }
    Destroy();
}

void TfrmMain::FormActivate()
{
    // Only the first activation after the window was created moves it: later
    // ones leave it where the user put it.
    if (!RestorePosition_ || !::IsWindowVisible(Handle())) return;
    RestorePosition_ = false;
    if (RememberedLeft >= 0 && RememberedTop >= 0)
        ::SetWindowPos(Handle(), nullptr, RememberedLeft, RememberedTop, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::ShowAndActivate()
{
    if (!Exists()) return;
    if (!ShownOnce_) {
        ShownOnce_ = true;
        CentreOnScreen();
    }
    ::ShowWindow(Handle(), SW_SHOW);
    // Windows may refuse the foreground to a program the user is not working
    // with; the window then shows behind the active one.
    ::SetForegroundWindow(Handle());
}

void TfrmMain::SetStatusText(const std::string& text) { PendingStatus_ = text; }

void TfrmMain::RepaintChart()
{
    if (PerformanceChart_.Exists()) PerformanceChart_.Invalidate();
}

bool TfrmMain::LoadMainSkin(bool report)
{
    std::string path;
    try {
        PerformanceChart_.SetVisible(true);
        ::ShowWindow(lblSkinNeeded_, SW_HIDE);
        ::ShowWindow(cmdLoadSkin_, SW_HIDE);
        path = Options ? Options->SkinFilePath() : std::string();
        Skin_.LoadSkin(toolkit::WideFromAnsi(path));
        Skin_.ApplySkinWindow(Handle(), SkinIDToName(1));
        RootObject_ = Skin_.GetWindowObject(Handle());
        ApplyElementTexts(RootObject_);
        PlaceOverElement(PerformanceChart_.Handle(), RootObject_, SkinIDToName(101));
        Elements_ = FindMainElements(RootObject_, TotalPhysMB);
        StatusElement_ = FindStaticElement(RootObject_, L"StatusStatic");
        if (StatusElement_) {
            StatusElement_->SetText(std::wstring());
            if (auto* element = dynamic_cast<skin::ISkinElement*>(StatusElement_)) element->Refresh();
        }
        ApplyProductImages(RootObject_);
        SkinLoaded_ = true;

        TPerformanceChart& chart = PerformanceChart_;
        chart.SetColor(ReadElementColor(FindElement(RootObject_, L"chart_backcolor"), chart.Color()));
        chart.SetDataColor(ReadElementColor(FindElement(RootObject_, L"chart_forecolor"), chart.DataColor()));
        chart.SetCPUColor(ReadElementColor(FindElement(RootObject_, L"chart_cpucolor"), chart.CPUColor()));
        chart.SetAdjustColor(ReadElementColor(FindElement(RootObject_, L"chart_linecolor"), chart.AdjustColor()));
        chart.SetAdjustColor2(ReadElementColor(FindElement(RootObject_, L"chart_line2color"), chart.AdjustColor2()));
        chart.SetFontColor(ReadElementColor(FindElement(RootObject_, L"chart_fontcolor"), chart.FontColor()));
        return true;
    } catch (const std::exception&) {
        SkinLoaded_ = false;
        ShowSkinNeeded();
        if (report) ShowSkinError(path);
        return false;
    }
}

void TfrmMain::ReleaseMainSkin()
{
    // Taking the skin off cannot fail in a way worth telling: a window the
    // skin does not cover is simply left as it is.
    try {
        Skin_.RemoveSkin(Handle());
    } catch (const std::exception&) {
    }
    try {
        Skin_.UnloadSkin();
    } catch (const std::exception&) {
    }
    RootObject_ = nullptr;
    StatusElement_ = nullptr;
    Elements_ = TMainElements{};
}

void TfrmMain::ShowSkinNeeded()
{
    ReleaseMainSkin();
    PerformanceChart_.SetVisible(false);
    ::ShowWindow(lblSkinNeeded_, SW_SHOW);
    ::ShowWindow(cmdLoadSkin_, SW_SHOW);

    RECT button{};
    ::GetWindowRect(cmdLoadSkin_, &button);
    ::MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&button), 2);
    SetClientSize(button.right - button.left + 20, button.bottom + 15);

    ::SetWindowTextA(lblSkinNeeded_, SkinNeededText);
    ::SetWindowTextA(cmdLoadSkin_, LoadSkinText);
    OpenDialog_.Title = LoadSkinText;
    ::SetWindowTextA(Handle(), MainWindowCaption);
}

void TfrmMain::ShowSkinError(const std::string& path)
{
    const std::string text = toolkit::ReplaceAll<char>(SkinErrorTemplate, "%1", path);
    RunNested([&] { toolkit::ShowErrorBox(text, Handle()); });
}

void TfrmMain::cmdLoadSkinClick()
{
    bool chosen = false;
    if (!RunNested([&] { chosen = OpenDialog_.Execute(Handle()); }) || !chosen) return;
    if (Options) Options->SetSkin(OpenDialog_.FileName);
    LoadMainSkin(true);
}

void TfrmMain::SwitchSkin()
{
    OpenDialog_.Title = LoadSkinText;
    const std::string previous = Options ? Options->Skin() : std::string();
    bool chosen = false;
    if (!RunNested([&] { chosen = OpenDialog_.Execute(Handle()); }) || !chosen) return;
    const std::string chosenFile = OpenDialog_.FileName;

    if (Options) Options->SetSkin(chosenFile);
    SkinLoaded_ = false;
    ReleaseMainSkin();
    LoadMainSkin(false);
    bool failed = false;
    if (!SkinLoaded_) {
        if (Options) Options->SetSkin(previous);
        ReleaseMainSkin();
        LoadMainSkin(false);
        failed = true;
    }
    if (!SkinLoaded_) ShowSkinNeeded();

    // The fresh skin shows no page; nothing queued for the old one may run
    // on it.
    CurrentPage_ = 0;
    Animations_.Clear();
    AnimationWait_ = 0;
    Animating_ = false;
    RefreshFromOptions(ChangeAll);
    if (failed) ShowSkinError(chosenFile);
}

void TfrmMain::SetClientSize(int width, int height)
{
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_EXSTYLE));
    RECT outer{0, 0, width, height};
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    ::SetWindowPos(Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::CentreOnScreen()
{
    RECT bounds{};
    if (!::GetWindowRect(Handle(), &bounds)) return;
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    const int x = std::max(0, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    const int y = std::max(0, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TfrmMain::EndNestedLoops()
{
    if (NestedLoops_ == 0) return false;
    if (ActiveDialog_ && ActiveDialog_->InModalLoop()) ActiveDialog_->EndModal(IDCANCEL);
    if (Exists())
        for (HWND dialog : toolkit::OwnedDialogs(Handle()))
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return true;
}

bool TfrmMain::RunNested(const std::function<void()>& loop)
{
    const toolkit::LifeWatch alive = Watch();
    ++NestedLoops_;
    try {
        loop();
    } catch (...) {
        if (alive.Alive()) --NestedLoops_;
        throw;
    }
    if (!alive.Alive()) return false;
    if (--NestedLoops_ == 0 && ClosePending_) {
        ClosePending_ = false;
        // Closed from the top of the queue, where no loop of ours runs.
        if (Exists()) ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
    }
    return Exists();
}

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != TimerId) break;
        TimerTimer();
        return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == cmdLoadSkin_ && cmdLoadSkin_ && HIWORD(wParam) == BN_CLICKED) {
            cmdLoadSkinClick();
            return 0;
        }
        break;
    case WM_OPTIONS_CHANGED:
        RefreshFromOptions(static_cast<int>(wParam));
        return 0;
    case WM_SWITCH_SKIN:
        SwitchSkin();
        return 0;
    case WM_SYSCOMMAND:
        // The window has no minimised or maximised form.
        if ((wParam & 0xFFF0) == SC_MINIMIZE || (wParam & 0xFFF0) == SC_MAXIMIZE) return 0;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) FormActivate();
        break;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(Font_.Get());
    case WM_CLOSE:
        FormClose();
        return 0;
    case WM_DESTROY:
        FormDestroy();
        return 0;
    case WM_NCDESTROY:
        // The controls that used the font are gone by now.
        lblSkinNeeded_ = nullptr;
        cmdLoadSkin_ = nullptr;
        Font_.Reset();
        BigIcon_.Reset();
        SmallIcon_.Reset();
        break;
    default:
        break;
    }
    return DefaultHandler(message, wParam, lParam);
}
