#pragma once
// What the main window tests share: options of their own in a test key on a
// machine of a fixed memory size, the real default skin beside the tests,
// skin files of the tests' own in a folder of their own, error boxes taken
// over, clicks at the rectangles the skin gives its elements, and watchers
// that answer the window's real dialogs from a thread of their own.
#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "engine/uWindowHandles.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uKalvoraOptionsInit.h"
#include "tests/settings/OptionsTestSupport.h"
#include "tests/settings/RegTestKey.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/WideText.h"
#include "ui/fMainForm.h"
#include "ui/uSkinHelper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mainwindowtest {

// The machine the tests see; the scroll ranges follow from it.
constexpr int TestTotalMB = 2000;

inline std::string TestFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// The default skin, copied beside the test programs by the build.
inline std::string DefaultSkinPath() { return TestFolder() + "default.skn"; }

inline std::string WindowText(HWND window)
{
    char text[1024] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

inline SIZE ClientSize(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

inline bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000)
{
    return toolkit::Application::Instance().ProcessMessagesUntil(done, ms);
}

// Handles one message at a time and looks at done() after each: for states
// that last only from one timer tick to the next, which a pump that empties
// the whole queue before it looks (the skin's animation frames keep it full)
// may step over.
inline bool PumpEachUntil(const std::function<bool()>& done, DWORD ms = 5000)
{
    const ULONGLONG deadline = ::GetTickCount64() + ms;
    while (!done()) {
        if (::GetTickCount64() >= deadline) return false;
        MSG message{};
        if (!::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return done();
}

inline BOOL CALLBACK CollectDialog(HWND window, LPARAM data)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof(className));
    if (process == ::GetCurrentProcessId() && std::string(className) == "#32770" && ::IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

// Every visible top-level dialog (#32770) of this process.
inline std::vector<HWND> DialogsOfProcess()
{
    std::vector<HWND> found;
    ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline BOOL CALLBACK CollectStaticText(HWND child, LPARAM data)
{
    char className[16] = {};
    ::GetClassNameA(child, className, sizeof(className));
    if (_stricmp(className, "Static") == 0) *reinterpret_cast<std::string*>(data) += WindowText(child) + "\n";
    return TRUE;
}

// The texts of a dialog's static controls, one after the other.
inline std::string StaticTexts(HWND dialog)
{
    std::string texts;
    ::EnumChildWindows(dialog, &CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// Watches, on a thread of its own, for a dialog of this process with that
// caption and answers it once; what it saw is kept for the test.
class DialogWatcher {
public:
    using Answer = std::function<void(HWND dialog)>;
    DialogWatcher(std::string caption, Answer answer) : caption_(std::move(caption)), answer_(std::move(answer))
    {
        thread_ = std::thread([this] { Watch(); });
    }
    ~DialogWatcher()
    {
        stop_ = true;
        thread_.join();
    }
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    bool Answered() const { return answered_; }
    HWND Owner() const { return owner_; }
    std::string Texts() const
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }

private:
    void Watch()
    {
        for (int waited = 0; !stop_ && waited < 30000; waited += 10) {
            for (HWND dialog : DialogsOfProcess()) {
                if (WindowText(dialog) != caption_) continue;
                owner_ = ::GetWindow(dialog, GW_OWNER);
                {
                    std::lock_guard lock(mutex_);
                    texts_ = StaticTexts(dialog);
                }
                answer_(dialog);
                answered_ = true;
                return;
            }
            ::Sleep(10);  // a thread of the test's own, polling the desktop
        }
    }

    std::string caption_;
    Answer answer_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
    std::atomic<HWND> owner_{nullptr};
    mutable std::mutex mutex_;
    std::string texts_;
    std::thread thread_;
};

// Presses a dialog's OK button as a click on it would.
inline void PressOk(HWND dialog)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}

// The file-open dialog's file name field: an edit (edt1), or the edit inside
// the file name combo box (cmb13), depending on the system's dialog.
inline HWND FileNameField(HWND dialog)
{
    if (HWND edit = ::GetDlgItem(dialog, 0x480)) return edit;
    if (HWND combo = ::GetDlgItem(dialog, 0x47C)) {
        if (HWND edit = ::FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
        return combo;
    }
    return nullptr;
}

// Chooses the file in a "Load Skin" dialog as a user typing its full path.
inline DialogWatcher::Answer ChooseFile(const std::string& path)
{
    return [path](HWND dialog) {
        ::SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PressOk(dialog);
    };
}

// A skin file of the tests' own, removed with the object.
class SkinFile {
public:
    SkinFile(const std::string& name, const std::string& text) : path_(Folder() + name)
    {
        std::ofstream(path_, std::ios::binary) << text;
    }
    ~SkinFile() { ::DeleteFileA(path_.c_str()); }
    SkinFile(const SkinFile&) = delete;
    SkinFile& operator=(const SkinFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    static std::string Folder()
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(sizeof(temp), temp);
        std::string folder = std::string(temp) + "KalvoraMainWindowTests\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    }
    std::string path_;
};

// A window of the test's that stands in for the engine and keeps every
// message it gets.
class EngineStandIn : public toolkit::Window {
public:
    EngineStandIn() { Create(HiddenArgs("KalvoraMainTestEngine")); }
    std::vector<std::pair<UINT, WPARAM>> Messages;
    // Posted by the test behind what it waits for: the thread's posted
    // messages arrive in order.
    static constexpr UINT Marker = WM_APP + 77;
    bool MarkerSeen = false;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == Marker)
            MarkerSeen = true;
        else if (message >= WM_USER)
            Messages.emplace_back(message, wParam);
        return DefaultHandler(message, wParam, lParam);
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitMemoryState();
        realTotalMB_ = TotalPhysMB;
        TotalPhysMB = TestTotalMB;  // before the options: their first-start values follow it
        Options = std::make_unique<TKalvoraOptions>(key_.Path());
        Options->SetSkin(DefaultSkinPath());
        toolkit::Application::Instance().SetTitle(ApplicationTitle);
        toolkit::SetErrorBoxHandler([this](const std::string& text) { ErrorBoxes.push_back(text); });
        savedEngine_ = EngineWindowHandle;
        EngineWindowHandle = Engine.Handle();
        RememberedLeft = RememberedTop = -1;
    }
    void TearDown() override
    {
        Window.reset();
        EngineWindowHandle = savedEngine_;
        FinishOptions(false);
        toolkit::SetErrorBoxHandler({});
        TotalPhysMB = realTotalMB_;
        RememberedLeft = RememberedTop = -1;
    }

    // The window as the engine makes it and shows it.
    TfrmMain& Open()
    {
        Window = std::make_unique<TfrmMain>();
        Window->ShowAndActivate();
        toolkit::Application::Instance().ProcessMessages();
        return *Window;
    }

    skin::ISkinObject* Element(const std::wstring& name) const { return FindElement(Window->RootObject(), name); }

    // The element's rectangle in the window's client area, as the skin shows
    // it now.
    RECT ElementRect(const std::wstring& name) const
    {
        auto* element = dynamic_cast<skin::ISkinElement*>(Element(name));
        if (!element) {
            ADD_FAILURE() << "the skin shows no element " << toolkit::AnsiFromWide(name);
            return RECT{};
        }
        return element->GetRect(Window->RootObject());
    }
    POINT ElementCentre(const std::wstring& name) const
    {
        const RECT r = ElementRect(name);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    // A press and a release at the element's centre, posted as the system
    // posts them, and handled.
    void Press(const std::wstring& name) { PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, ElementCentre(name)); }
    void Release(const std::wstring& name) { PostMouse(WM_LBUTTONUP, 0, ElementCentre(name)); }
    void Click(const std::wstring& name)
    {
        const POINT at = ElementCentre(name);
        PostMouse(WM_MOUSEMOVE, 0, at);
        PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMouse(WM_LBUTTONUP, 0, at);
    }
    // Handles the mouse messages only: a timer tick in between would run
    // the animation batch a click has just queued before the test sees it.
    // What the click posts is handled by the next pump.
    void PostMouse(UINT message, WPARAM keys, POINT at)
    {
        ::PostMessageA(Window->Handle(), message, keys, MAKELPARAM(at.x, at.y));
        MSG queued{};
        while (Window && Window->Exists() &&
               ::PeekMessageA(&queued, Window->Handle(), WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
            ::DispatchMessageA(&queued);
    }

    // Handles everything posted so far, and no more than the messages that
    // come with it.
    void HandleQueued()
    {
        Engine.MarkerSeen = false;
        ::PostMessageA(Engine.Handle(), EngineStandIn::Marker, 0, 0);
        EXPECT_TRUE(PumpEachUntil([this] { return Engine.MarkerSeen; }));
    }

    // Waits until the page change that is under way has run all its batches.
    bool AnimationsDone(DWORD ms = 5000)
    {
        return PumpUntil([this] { return Window->Animations().Empty() && !Window->Animating() && Window->AnimationWait() == 0; }, ms);
    }

    // Each state of the button shows the pressed look.
    static bool LooksPressed(skin::ISkinObject* object)
    {
        auto* button = dynamic_cast<skin::ISkinButton*>(object);
        if (!button) return false;
        for (int state = 1; state <= 3; ++state) {
            const std::wstring& name = button->GetState(state).Section.Name;
            if (name.size() <= 8 || name.compare(name.size() - 8, 8, L"_pressed") != 0) return false;
        }
        return true;
    }
    static bool LooksReleased(skin::ISkinObject* object)
    {
        auto* button = dynamic_cast<skin::ISkinButton*>(object);
        if (!button) return false;
        for (int state = 1; state <= 3; ++state) {
            const std::wstring& name = button->GetState(state).Section.Name;
            if (name.size() >= 8 && name.compare(name.size() - 8, 8, L"_pressed") == 0) return false;
        }
        return true;
    }

    RunValueGuard runValue_;
    RegTestKey key_{"Software\\KalvoraTests\\MainWindow"};
    EngineStandIn Engine;
    std::vector<std::string> ErrorBoxes;
    std::unique_ptr<TfrmMain> Window;

private:
    int realTotalMB_ = 0;
    HWND savedEngine_ = nullptr;
};

}  // namespace mainwindowtest
