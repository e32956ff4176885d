#pragma once
// What the dialog tests share: steps that run on the user-interface thread
// from inside a dialog's own modal loop, real keyboard and mouse input, the
// skinned dialogs of this process as a user sees them, and a snapshot of
// every option.
#include "settings/uKalvoraOptions.h"
#include "settings/uOptionTable.h"
#include "ui/fSkinned.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace dialogtest {

// Runs its steps one after the other on this thread, from whatever message
// loop runs (the dialog's modal loop): each is called every 20 ms until it
// returns true. A script that does not finish in time fails the test and
// closes every dialog of the process, so that the modal loop returns.
class ModalScript {
public:
    using Step = std::function<bool()>;
    explicit ModalScript(std::vector<Step> steps, DWORD timeoutMs = 20000)
        : steps_(std::move(steps)), deadline_(::GetTickCount64() + timeoutMs)
    {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 20, &ModalScript::Tick);
    }
    ~ModalScript()
    {
        if (timer_) ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    bool Finished() const { return next_ >= steps_.size(); }
    size_t StepsDone() const { return next_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (current_) current_->Run();
    }
    void Run();

    std::vector<Step> steps_;
    size_t next_ = 0;
    ULONGLONG deadline_;
    UINT_PTR timer_ = 0;
    bool running_ = false;
    bool timedOut_ = false;
    static inline ModalScript* current_ = nullptr;
};

inline BOOL CALLBACK CollectSkinnedDialog(HWND window, LPARAM data)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    ::GetClassNameA(window, className, sizeof(className));
    if (process == ::GetCurrentProcessId() && std::string(className) == "TfrmSkinned" && ::IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

// Every visible skinned dialog of this process.
inline std::vector<HWND> VisibleSkinnedDialogs()
{
    std::vector<HWND> found;
    ::EnumWindows(&CollectSkinnedDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline void ModalScript::Run()
{
    if (running_ || Finished() || timedOut_) return;
    running_ = true;
    if (::GetTickCount64() > deadline_) {
        timedOut_ = true;
        ADD_FAILURE() << "the dialog script stopped at step " << next_ + 1 << " of " << steps_.size();
        for (HWND dialog : VisibleSkinnedDialogs()) ::PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (steps_[next_]()) {
        ++next_;
    }
    running_ = false;
}

// The dialog is up, active and has the keyboard focus somewhere in it: real
// input reaches it now.
inline bool ReadyForInput(const TfrmSkinned* dialog)
{
    if (!dialog || !dialog->InModalLoop() || !::IsWindowVisible(dialog->Handle())) return false;
    if (::GetForegroundWindow() != dialog->Handle()) return false;
    HWND focus = ::GetFocus();
    return focus && (focus == dialog->Handle() || ::IsChild(dialog->Handle(), focus));
}

inline void AddKey(std::vector<INPUT>& inputs, WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    // With its scan code, as a keyboard sends it.
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
}

// Presses the keys in order and releases them in the opposite order, as a
// user types a combination.
inline bool TypeKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) AddKey(inputs, key, false);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) AddKey(inputs, *it, true);
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// A left click at a point of the screen, with the real mouse.
inline bool ClickAtScreen(POINT p)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) input.type = INPUT_MOUSE;
    inputs[0].mi.dx = static_cast<LONG>((p.x * 65536LL + width / 2) / width);
    inputs[0].mi.dy = static_cast<LONG>((p.y * 65536LL + height / 2) / height);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return ::SendInput(3, inputs, sizeof(INPUT)) == 3;
}

inline POINT WindowCentre(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline std::string TextOf(HWND window)
{
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

// True when `upper` lies above `lower` in the z-order.
inline bool IsAbove(HWND upper, HWND lower)
{
    if (!upper || !lower) return false;
    for (HWND w = ::GetWindow(upper, GW_HWNDNEXT); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (w == lower) return true;
    return false;
}

// Every option but the skin, by id.
inline std::vector<int> OptionValues()
{
    std::vector<int> values;
    for (size_t id = 0; id < OptionCount; ++id)
        if (static_cast<TOptionId>(id) != TOptionId::Skin) values.push_back(Options->Value(static_cast<TOptionId>(id)));
    return values;
}

// How a dialog is ended in a test.
enum class Ending { OkButton, CancelButton, EnterKey, EscKey, CloseBox, TabToSecondThenEnter };

inline const char* EndingName(Ending ending)
{
    switch (ending) {
    case Ending::OkButton: return "first button clicked";
    case Ending::CancelButton: return "second button clicked";
    case Ending::EnterKey: return "Enter";
    case Ending::EscKey: return "Esc";
    case Ending::CloseBox: return "close box";
    case Ending::TabToSecondThenEnter: return "Tab to the second button, Enter";
    }
    return "?";
}

// Ends the dialog as a user would: buttons clicked with the real mouse,
// keys typed for real, the close box as the system reports it. A step of
// ModalScript; `second` is the cancel button, `first` the default one.
inline ModalScript::Step EndDialog(Ending ending, std::function<HWND()> first, std::function<HWND()> second,
                                   std::function<HWND()> dialog)
{
    return [=]() {
        switch (ending) {
        case Ending::OkButton: return ClickAtScreen(WindowCentre(first()));
        case Ending::CancelButton: return ClickAtScreen(WindowCentre(second()));
        case Ending::EnterKey: return TypeKeys({VK_RETURN});
        case Ending::EscKey: return TypeKeys({VK_ESCAPE});
        case Ending::CloseBox: return ::PostMessageA(dialog(), WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
        case Ending::TabToSecondThenEnter:
            // Tab until the second button has the focus, then Enter.
            if (::GetFocus() != second()) {
                TypeKeys({VK_TAB});
                return false;
            }
            // The focused button is the one Enter presses now.
            EXPECT_EQ(LOWORD(::SendMessageA(dialog(), DM_GETDEFID, 0, 0)), ::GetDlgCtrlID(second()));
            return TypeKeys({VK_RETURN});
        }
        return true;
    };
}

}  // namespace dialogtest
