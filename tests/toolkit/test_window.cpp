#include "toolkit/Application.h"
#include "toolkit/Error.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/Handles.h"
#include "toolkit/MessageWindow.h"
#include "toolkit/Window.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

BOOL CALLBACK FindByCaption(HWND window, LPARAM found)
{
    char caption[100] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    if (std::string(caption) == "Toolkit Test Receiver") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

TEST(MessageWindow, PostedAndSentMessagesReachTheHandlerInOrder)
{
    std::vector<Received> received;
    toolkit::MessageWindow window(
        [&](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
            if (message < WM_USER) return false;
            received.push_back({message, wParam, lParam});
            result = 140971;
            return true;
        },
        "Toolkit Test Receiver");
    ASSERT_TRUE(window.Handle());
    EXPECT_FALSE(IsWindowVisible(window.Handle()));

    // Another thread posts; the handler sees the messages in posting order.
    HWND target = window.Handle();
    std::thread poster([target] {
        for (WPARAM i = 0; i < 5; ++i) PostMessageA(target, WM_USER + 1, i, 7);
    });
    poster.join();
    ASSERT_TRUE(toolkit::Application::Instance().ProcessMessagesUntil([&] { return received.size() == 5; }, 5000));
    for (WPARAM i = 0; i < 5; ++i) {
        EXPECT_EQ(received[i].message, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(received[i].wParam, i);
        EXPECT_EQ(received[i].lParam, 7);
    }

    // Found among the top-level windows by its caption, and answers a send.
    HWND found = nullptr;
    EnumWindows(&FindByCaption, reinterpret_cast<LPARAM>(&found));
    EXPECT_EQ(found, window.Handle());
    EXPECT_EQ(SendMessageA(window.Handle(), WM_USER + 2, 0, 0), 140971);
}

TEST(MessageWindow, DestroyingTheObjectDestroysTheWindowAndSystemDestructionIsHarmless)
{
    HWND handle;
    {
        toolkit::MessageWindow window;
        handle = window.Handle();
        EXPECT_TRUE(IsWindow(handle));
    }
    EXPECT_FALSE(IsWindow(handle));

    toolkit::MessageWindow window;
    DestroyWindow(window.Handle());
    EXPECT_FALSE(window.Exists());  // let go at WM_NCDESTROY; its destructor does nothing more
}

TEST(Application, HooksSeeMessagesFirstAndCanSwallowThem)
{
    int handled = 0;
    toolkit::MessageWindow window([&](UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message != WM_USER + 3) return false;
        ++handled;
        return true;
    });
    auto& application = toolkit::Application::Instance();
    int hooked = 0;
    const int id = application.AddMessageHook([&](MSG& message) {
        if (message.message != WM_USER + 3) return false;
        ++hooked;
        return message.wParam == 1;  // swallow the first kind only
    });
    PostMessageA(window.Handle(), WM_USER + 3, 1, 0);
    PostMessageA(window.Handle(), WM_USER + 3, 2, 0);
    application.ProcessMessages();
    EXPECT_EQ(hooked, 2);
    EXPECT_EQ(handled, 1);

    application.RemoveMessageHook(id);
    PostMessageA(window.Handle(), WM_USER + 3, 1, 0);
    application.ProcessMessages();
    EXPECT_EQ(hooked, 2);
    EXPECT_EQ(handled, 2);
}

TEST(Handles, OwnersReleaseOnceAndMoveOwnership)
{
    toolkit::UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    HBRUSH raw = brush.Get();
    ASSERT_TRUE(raw);
    toolkit::UniqueBrush moved(std::move(brush));
    EXPECT_FALSE(brush);
    EXPECT_EQ(moved.Get(), raw);
    moved.Reset();
    EXPECT_EQ(GetObjectType(raw), 0u);  // deleted

    toolkit::UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KalvoraTests\\Handles", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_TRUE(key);
    key.Reset();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KalvoraTests\\Handles");
}

namespace {

// A window whose handler throws at a message of the test's choosing.
class ThrowingWindow : public toolkit::Window {
public:
    ThrowingWindow() { Create(HiddenArgs("KalvoraThrowingWindow")); }
    int answered = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER + 5) throw toolkit::Error("Cannot sample: " + std::to_string(wParam));
        if (message == WM_USER + 6) throw std::bad_alloc();
        if (message == WM_USER + 7) return ++answered;
        return DefaultHandler(message, wParam, lParam);
    }
};

}  // namespace

TEST(Window, AnErrorInAHandlerIsShownOnceAndTheProgramGoesOn)
{
    std::vector<std::string> boxes;
    toolkit::SetErrorBoxHandler([&](const std::string& text) {
        boxes.push_back(text);
        // While this box is open, errors of the timer only reach the debug output.
        ThrowingWindow other;
        SendMessageA(other.Handle(), WM_USER + 5, 99, 0);
    });
    ThrowingWindow window;
    for (int tick = 0; tick < 5; ++tick) EXPECT_EQ(SendMessageA(window.Handle(), WM_USER + 5, 1, 0), 0);
    SendMessageA(window.Handle(), WM_USER + 6, 0, 0);
    PostMessageA(window.Handle(), WM_USER + 5, 1, 0);  // through the message loop as well
    toolkit::Application::Instance().ProcessMessages();
    EXPECT_EQ(SendMessageA(window.Handle(), WM_USER + 7, 0, 0), 1) << "the window still answers";
    toolkit::SetErrorBoxHandler({});
    EXPECT_EQ(boxes, (std::vector<std::string>{"Cannot sample: 1", std::bad_alloc().what()}));
}

TEST(Window, AHookThatThrowsIsReportedAndTheMessageGoesOn)
{
    std::vector<std::string> boxes;
    toolkit::SetErrorBoxHandler([&](const std::string& text) { boxes.push_back(text); });
    int handled = 0;
    toolkit::MessageWindow window([&](UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message != WM_USER + 8) return false;
        ++handled;
        return true;
    });
    auto& application = toolkit::Application::Instance();
    const int id = application.AddMessageHook([](MSG& message) -> bool {
        if (message.message == WM_USER + 8) throw toolkit::Error("Hook failed");
        return false;
    });
    PostMessageA(window.Handle(), WM_USER + 8, 0, 0);
    application.ProcessMessages();
    application.RemoveMessageHook(id);
    toolkit::SetErrorBoxHandler({});
    EXPECT_EQ(boxes, (std::vector<std::string>{"Hook failed"}));
    EXPECT_EQ(handled, 1);
}

TEST(Window, WindowsThatAskForOtherClassValuesGetClassesOfTheirOwn)
{
    auto args = toolkit::Window::HiddenArgs("KalvoraClassTest");
    struct Plain : toolkit::Window {
        explicit Plain(const CreateArgs& args) { Create(args); }
    };
    Plain arrow(args);
    args.cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // the hand
    args.classStyle = CS_DBLCLKS;
    Plain hand(args);
    Plain handAgain(args);
    EXPECT_EQ(GetClassLongPtrA(arrow.Handle(), GCLP_HCURSOR),
              reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))));
    EXPECT_EQ(GetClassLongPtrA(hand.Handle(), GCLP_HCURSOR), reinterpret_cast<LONG_PTR>(args.cursor));
    EXPECT_EQ(GetClassLongPtrA(hand.Handle(), GCL_STYLE), static_cast<LONG_PTR>(CS_DBLCLKS));
    char first[64] = {}, second[64] = {}, third[64] = {};
    GetClassNameA(arrow.Handle(), first, sizeof(first));
    GetClassNameA(hand.Handle(), second, sizeof(second));
    GetClassNameA(handAgain.Handle(), third, sizeof(third));
    EXPECT_STREQ(first, "KalvoraClassTest") << "the first keeps the name it asked for";
    EXPECT_STRNE(second, first);
    EXPECT_STREQ(third, second) << "the same values share one class";
}
