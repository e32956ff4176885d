#include "tools/skinview/SkinViewWindow.h"

#include <algorithm>
#include <cstdio>

#include "skin/SkinText.h"
#include "toolkit/Application.h"
#include "toolkit/DebugOut.h"

namespace skinview {
namespace {

constexpr UINT_PTR kExitTimer = 1;
constexpr UINT_PTR kShowTimer = 2;
// Kalvora runs its page animations from a 250 ms timer: after a hide it
// waits the longest hide in whole ticks, then shows on the next tick.
constexpr int kTickMs = 250;

// The pages that show the idle options too ("idle_show", "idle_hide").
bool HasIdleOptions(const std::wstring& page)
{
    return page == L"regular" || page == L"critical" || page == L"startup";
}
constexpr ULONG_PTR kPlayRequest = 0x504C4159;  // "PLAY"

std::string Utf8(const std::wstring& text)
{
    return skin::WideToUtf8(text);
}

}  // namespace

SkinViewWindow::SkinViewWindow(const Options& options) : options_(options)
{
    RECT frame{0, 0, options.clientWidth, options.clientHeight};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    CreateArgs args;
    args.className = ClassName();
    args.caption = "skinview";
    args.style = style;
    args.width = width;
    args.height = height;
    args.x = options.x >= 0 ? options.x : (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    args.y = options.y >= 0 ? options.y : (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    Create(args);

    skin_.OnSkinEvent = [this](skin::ISkinObject* source, const std::wstring& event) {
        Report(L"OnSkinEvent " + source->Name() + L" " + event);
        if (event != L"OnClick") return;
        if (source->Name() == L"close") {
            ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
            return;
        }
        ClickPage(source->Name());
    };
    skin_.OnMouseDown = [this](skin::ISkinObject* source, int button, int x, int y) {
        Report(L"OnMouseDown " + source->Name() + L" " + std::to_wstring(button) + L" " + std::to_wstring(x) + L" " + std::to_wstring(y));
    };
    skin_.OnMouseUp = [this](skin::ISkinObject* source, int button, int x, int y) {
        Report(L"OnMouseUp " + source->Name() + L" " + std::to_wstring(button) + L" " + std::to_wstring(x) + L" " + std::to_wstring(y));
    };
    skin_.OnScrollTrack = [this](skin::ISkinObject* source, int position) {
        Report(L"OnScrollTrack " + source->Name() + L" " + std::to_wstring(position));
    };
    skin_.OnScroll = [this](skin::ISkinObject* source, int position) {
        Report(L"OnScroll " + source->Name() + L" " + std::to_wstring(position));
    };

    skin_.LoadSkin(options.file);
    if (options.window.empty()) skin_.ApplySkin(Handle());
    else skin_.ApplySkinWindow(Handle(), options.window);
    skin::ISkinObject* root = skin_.GetWindowObject(Handle());
    ::SetWindowTextA(Handle(), ("skinview - " + Utf8(root->Name())).c_str());

    if (options.sampleChart) {
        if (auto* area = dynamic_cast<skin::ISkinElement*>(root->FindObject(L"chart"))) {
            chart_.Create(Handle(), area->GetRect(root));
            chart_.ReadColors(root);
        }
    }
    if (options.sampleDialog) AddSampleDialog();
    for (const std::wstring& name : options.press) GiveLook(name, L"_pressed", true);
    for (const std::wstring& name : options.checked) GiveLook(name, L"_checked", false);

    // The skin may have resized the window: place it as asked, or centred.
    RECT placed{};
    ::GetWindowRect(Handle(), &placed);
    const int placedWidth = placed.right - placed.left;
    const int placedHeight = placed.bottom - placed.top;
    ::SetWindowPos(Handle(), nullptr, options.x >= 0 ? options.x : (::GetSystemMetrics(SM_CXSCREEN) - placedWidth) / 2,
                   options.y >= 0 ? options.y : (::GetSystemMetrics(SM_CYSCREEN) - placedHeight) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    ::ShowWindow(Handle(), SW_SHOW);
    ::UpdateWindow(Handle());
    for (const std::wstring& name : options.play) Report(L"played " + name + L" " + std::to_wstring(Play(name)));
    if (options.exitAfterMs > 0) ::SetTimer(Handle(), kExitTimer, static_cast<UINT>(options.exitAfterMs), nullptr);
    // Where the client area is on the screen, for scripts that take pictures.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    POINT origin{0, 0};
    ::ClientToScreen(Handle(), &origin);
    Report(L"ready " + root->Name() + L" " + std::to_wstring(origin.x) + L" " + std::to_wstring(origin.y) + L" " +
           std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom));
}

SkinViewWindow::~SkinViewWindow()
{
    if (Exists()) {
        try {
            skin_.RemoveSkin(Handle());
        } catch (const skin::SkinError&) {
            // Already gone with its window.
        }
    }
}

void SkinViewWindow::AddSampleDialog()
{
    RECT client{};
    ::GetClientRect(Handle(), &client);
    LOGFONTA lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lstrcpynA(lf.lfFaceName, "Segoe UI", LF_FACESIZE);
    dialogFont_.Reset(::CreateFontIndirectA(&lf));
    label_.Create({Handle(), 16, 16, client.right - 32, 40, 100});
    ::SendMessageA(label_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont_.Get()), TRUE);
    label_.SetCaption(L"Here you can define the shortcut (hotkey) for the preset free-up.");
    auto button = [&](const char* text, int x, int id) {
        HWND b = ::CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, client.bottom - 40, 80, 26, Handle(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont_.Get()), TRUE);
        return b;
    };
    okButton_ = button("OK", client.right - 184, IDOK);
    cancelButton_ = button("Cancel", client.right - 96, IDCANCEL);
}

void SkinViewWindow::GiveLook(const std::wstring& name, const std::wstring& suffix, bool invert)
{
    auto* button = dynamic_cast<skin::ISkinButton*>(skin_.GetWindowObject(Handle())->FindObject(name));
    if (!button) {
        Report(L"no button " + name);
        return;
    }
    for (int state = 1; state <= 3; ++state) {
        skin::SkinButtonState value = button->GetState(state);
        value.Section.Name += suffix;
        if (invert) value.Color = skin::SkinColor{uint8_t(255 - value.Color.b0), uint8_t(255 - value.Color.b1), uint8_t(255 - value.Color.b2)};
        button->SetState(state, value);
    }
}

int SkinViewWindow::Play(const std::wstring& name)
{
    // Every animation of that name, anywhere in the window's tree.
    int longest = 0;
    std::vector<skin::ISkinObject*> pending{skin_.GetWindowObject(Handle())};
    while (!pending.empty()) {
        skin::ISkinObject* object = pending.back();
        pending.pop_back();
        if (auto* animations = dynamic_cast<skin::ISkinAnimations*>(object)) {
            for (int i = 0; i < animations->AnimationCount(); ++i) {
                if (animations->AnimationName(i) != name) continue;
                int total = 0;
                for (int j = 0; j < animations->StepCount(i); ++j) total += animations->GetStep(i, j).durationMs;
                longest = std::max(longest, total);
                animations->Play(i);
            }
        }
        for (int i = object->ChildCount() - 1; i >= 0; --i) pending.push_back(object->GetChild(i));
    }
    return longest;
}

bool SkinViewWindow::HasAnimation(const std::wstring& name)
{
    std::vector<skin::ISkinObject*> pending{skin_.GetWindowObject(Handle())};
    while (!pending.empty()) {
        skin::ISkinObject* object = pending.back();
        pending.pop_back();
        if (auto* animations = dynamic_cast<skin::ISkinAnimations*>(object))
            for (int i = 0; i < animations->AnimationCount(); ++i)
                if (animations->AnimationName(i) == name) return true;
        for (int i = object->ChildCount() - 1; i >= 0; --i) pending.push_back(object->GetChild(i));
    }
    return false;
}

void SkinViewWindow::ClickPage(const std::wstring& name)
{
    // A page change under way takes no other, as in the program.
    if (!showing_.empty()) return;
    if (name != openPage_ && !HasAnimation(name + L"_show")) return;
    int longestHide = 0;
    if (!openPage_.empty()) {
        longestHide = Play(openPage_ + L"_hide");
        if (HasIdleOptions(openPage_)) longestHide = std::max(longestHide, Play(L"idle_hide"));
        Report(L"page hide " + openPage_ + L" " + std::to_wstring(longestHide));
    }
    const bool hadPage = !openPage_.empty();
    openPage_ = openPage_ == name ? std::wstring() : name;
    if (openPage_.empty()) return;
    if (!hadPage) {
        ShowPage(openPage_);
        return;
    }
    showing_ = openPage_;
    ::SetTimer(Handle(), kShowTimer, static_cast<UINT>((longestHide / kTickMs + 1) * kTickMs), nullptr);
}

void SkinViewWindow::ShowPage(const std::wstring& page)
{
    Play(page + L"_show");
    if (HasIdleOptions(page)) Play(L"idle_show");
    Report(L"page show " + page);
}

void SkinViewWindow::Report(const std::wstring& line)
{
    std::string text = Utf8(line);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    toolkit::DebugOut("skinview: " + text);
}

LRESULT SkinViewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!data || data->dwData != kPlayRequest || data->cbData % sizeof(wchar_t) != 0 || data->cbData > 4096) return FALSE;
        std::wstring name(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
        Report(L"played " + name + L" " + std::to_wstring(Play(name)));
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == kExitTimer) {
            ::KillTimer(Handle(), kExitTimer);
            ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
            return 0;
        }
        if (wParam == kShowTimer) {
            ::KillTimer(Handle(), kShowTimer);
            const std::wstring page = showing_;
            showing_.clear();
            if (!page.empty()) ShowPage(page);
            return 0;
        }
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            Report(LOWORD(wParam) == IDOK ? L"button OK" : L"button Cancel");
            return 0;
        }
        break;
    case WM_CLOSE:
        Report(L"closed");
        ::DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        toolkit::Application::Instance().Terminate(0);
        return 0;
    default: break;
    }
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace skinview
