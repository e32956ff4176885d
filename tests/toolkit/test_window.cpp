#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/MessageWindow.h"

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
