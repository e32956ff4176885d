// THTMLHelp with the system's own help library and a real help file
// compiled from fixture_chm/. Wine's library opens help windows but shows no
// popup texts, so the popups here are the component's own.
#include "help/fHelpPopup.h"
#include "help/uHTMLHelp.h"
#include "help/uPopupTexts.h"
#include "settings/uProgramFiles.h"
#include "toolkit/Application.h"
#include "toolkit/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

const char ChartText[] = "The history chart shows the used memory of the last samples.";

bool WaitFor(const std::function<bool()>& done)
{
    return toolkit::Application::Instance().ProcessMessagesUntil(done, 5000);
}

std::string ClassOf(HWND window)
{
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window)
{
    char text[1024] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

struct WindowSearch {
    std::string className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOwnWindow(HWND window, LPARAM lParam)
{
    auto& search = *reinterpret_cast<WindowSearch*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && ClassOf(window) == search.className) search.found.push_back(window);
    return TRUE;
}

// Top-level windows of this process with that class.
std::vector<HWND> OwnWindowsOfClass(const std::string& className)
{
    WindowSearch search{className, {}};
    ::EnumWindows(&CollectOwnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VisiblePopup()
{
    for (HWND window : OwnWindowsOfClass(HelpPopupClassName)) {
        if (::IsWindowVisible(window)) return window;
    }
    return nullptr;
}

RECT RectOf(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

void Click(int x, int y)
{
    ASSERT_TRUE(::SetCursorPos(x, y));
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(::SendInput(2, inputs, sizeof(INPUT)), 2u);
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::string& content)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    return static_cast<bool>(file.flush());
}

void PressKey(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, inputs, sizeof(INPUT)), 2u);
}

// A plain visible window, standing for the main window that asks for help.
class HostWindow : public toolkit::Window {
public:
    explicit HostWindow(int x = 20, int y = 600)
    {
        CreateArgs args;
        args.className = "KalvoraHelpTestHost";
        args.style = WS_POPUP;
        args.x = x;
        args.y = y;
        args.width = 200;
        args.height = 100;
        args.background = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
        Create(args);
        // Not activated: under Wine without a window manager an activated
        // window costs seconds to hide or destroy.
        ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    }
};

class HtmlHelpUnderWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FileExists(ProgramFolder() + "kalvora_fixture.chm"));
        help.CallerWindow = host.Handle();
        help.SetHelpFile("kalvora_fixture.chm");
        ASSERT_TRUE(help.HelpAvailable());
    }
    void TearDown() override
    {
        ShutdownHtmlHelp();
        EXPECT_TRUE(OwnWindowsOfClass(HelpPopupClassName).empty());
    }

    // Shows the popup of number at (x, y) and waits until it is up.
    HWND ShowPopup(uint32_t number, int x, int y)
    {
        help.ShowContextPopupAt(number, x, y);
        WaitFor([] { return VisiblePopup() != nullptr; });
        return VisiblePopup();
    }

    HostWindow host;
    THTMLHelp help;
};

}  // namespace

TEST_F(HtmlHelpUnderWine, ShowTopicOpensAHelpWindow)
{
    ASSERT_TRUE(OwnWindowsOfClass("HH Parent").empty());
    EXPECT_TRUE(help.ShowTopic("manual.htm"));
    std::vector<HWND> windows;
    ASSERT_TRUE(WaitFor([&] { return !(windows = OwnWindowsOfClass("HH Parent")).empty(); }));
    EXPECT_EQ(TextOf(windows.front()), "Kalvora Fixture Help");

    for (HWND window : windows) ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([] { return OwnWindowsOfClass("HH Parent").empty(); }));
}

TEST_F(HtmlHelpUnderWine, PopupShowsTheTextOfTheNumberBelowThePoint)
{
    struct Case {
        uint32_t number;
        std::string text;
    };
    const Case cases[] = {
        {101, ChartText},
        {4242, NoHelpTopicText},
        {0, NoHelpTopicText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const HWND popup = ShowPopup(c.number, 500, 300);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(TextOf(popup), c.text);
        const RECT rect = RectOf(popup);
        EXPECT_EQ(rect.top, 300);
        EXPECT_LE(std::abs((rect.left + rect.right) / 2 - 500), 1) << "centred on the point";
        EXPECT_LE(rect.right - rect.left, 300);
        EXPECT_GT(rect.bottom - rect.top, 10);
        EXPECT_EQ(::GetWindow(popup, GW_OWNER), host.Handle());
    }
    // One popup at a time: each request reused the one window.
    EXPECT_EQ(OwnWindowsOfClass(HelpPopupClassName).size(), 1u);
}

TEST_F(HtmlHelpUnderWine, LongTextsWrapWithinTheWidth)
{
    const HWND oneLine = ShowPopup(4242, 500, 300);
    ASSERT_NE(oneLine, nullptr);
    const RECT oneLineRect = RectOf(oneLine);
    const HWND longPopup = ShowPopup(110, 500, 300);
    ASSERT_NE(longPopup, nullptr);
    EXPECT_EQ(TextOf(longPopup).substr(0, 17), "Click this button");
    const RECT longRect = RectOf(longPopup);
    EXPECT_LE(longRect.right - longRect.left, 300);
    EXPECT_GT(longRect.bottom - longRect.top, 2 * (oneLineRect.bottom - oneLineRect.top)) << "several lines";
}

TEST_F(HtmlHelpUnderWine, PopupAtTheCursorAppearsTwentyPixelsBelowIt)
{
    ASSERT_TRUE(::SetCursorPos(300, 200));
    help.ShowContextPopup(0);
    ASSERT_TRUE(WaitFor([] { return VisiblePopup() != nullptr; }));
    const HWND popup = VisiblePopup();
    EXPECT_EQ(TextOf(popup), NoHelpTopicText);
    const RECT rect = RectOf(popup);
    EXPECT_EQ(rect.top, 220);
    EXPECT_LE(std::abs((rect.left + rect.right) / 2 - 300), 1);
}

TEST_F(HtmlHelpUnderWine, PopupStaysOnTheScreen)
{
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const POINT points[] = {{0, 0}, {-500, -500}, {screenWidth + 100, screenHeight + 100}, {screenWidth - 1, 10}};
    for (const POINT& point : points) {
        SCOPED_TRACE(std::to_string(point.x) + "," + std::to_string(point.y));
        const HWND popup = ShowPopup(110, point.x, point.y);
        ASSERT_NE(popup, nullptr);
        const RECT rect = RectOf(popup);
        EXPECT_GE(rect.left, 0);
        EXPECT_GE(rect.top, 0);
        EXPECT_LE(rect.right, screenWidth);
        EXPECT_LE(rect.bottom, screenHeight);
    }
}

TEST_F(HtmlHelpUnderWine, PopupClosesOnAClickAKeyOrLosingActivation)
{
    HostWindow other(700, 600);
    const std::vector<std::pair<const char*, std::function<void(HWND popup)>>> closers = {
        {"click on the popup",
         [](HWND popup) {
             const RECT rect = RectOf(popup);
             Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
         }},
        {"right click on the popup",
         [](HWND popup) {
             const RECT rect = RectOf(popup);
             ASSERT_TRUE(::SetCursorPos(rect.left + 5, rect.top + 5));
             INPUT inputs[2] = {};
             inputs[0].type = inputs[1].type = INPUT_MOUSE;
             inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
             inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
             ASSERT_EQ(::SendInput(2, inputs, sizeof(INPUT)), 2u);
         }},
        {"click on another window", [&](HWND) { Click(750, 650); }},
        {"Escape", [](HWND) { PressKey(VK_ESCAPE); }},
        {"a letter", [](HWND) { PressKey('A'); }},
        {"another window activated", [&](HWND) { ::SetActiveWindow(other.Handle()); }},
    };
    for (const auto& [name, close] : closers) {
        SCOPED_TRACE(name);
        const HWND popup = ShowPopup(101, 500, 300);
        ASSERT_NE(popup, nullptr);
        ASSERT_TRUE(WaitFor([&] { return ::GetActiveWindow() == popup; })) << "the popup takes activation";
        close(popup);
        EXPECT_TRUE(WaitFor([] { return VisiblePopup() == nullptr; }));
        // Hidden, not destroyed: the next request shows the same window.
        EXPECT_TRUE(::IsWindow(popup));
    }
}

TEST_F(HtmlHelpUnderWine, PopupGoesWithItsOwnerAndComesBackForTheNext)
{
    {
        HostWindow shortLived;
        help.CallerWindow = shortLived.Handle();
        const HWND popup = ShowPopup(101, 500, 300);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(::GetWindow(popup, GW_OWNER), shortLived.Handle());
    }
    EXPECT_TRUE(OwnWindowsOfClass(HelpPopupClassName).empty()) << "destroyed with its owner";

    help.CallerWindow = host.Handle();
    const HWND popup = ShowPopup(110, 500, 300);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(::GetWindow(popup, GW_OWNER), host.Handle());

    // Without an owner as well.
    help.CallerWindow = nullptr;
    const HWND unowned = ShowPopup(101, 500, 300);
    ASSERT_NE(unowned, nullptr);
    EXPECT_EQ(::GetWindow(unowned, GW_OWNER), nullptr);
    EXPECT_EQ(OwnWindowsOfClass(HelpPopupClassName).size(), 1u);
}

// A help file that is not what it claims to be: no page opens, no help
// window appears and no popup shows; nothing crashes or hangs. A sound file
// that only lacks the popup texts still opens its pages.
TEST_F(HtmlHelpUnderWine, DamagedHelpFilesShowNothingOfWhatTheyLack)
{
    char tempFolder[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathA(MAX_PATH, tempFolder), 0u);
    const std::string folder = tempFolder;
    const std::optional<std::string> sound = ReadWholeFile(ProgramFolder() + "kalvora_fixture.chm");
    ASSERT_TRUE(sound.has_value());
    ASSERT_GT(sound->size(), 1000u);

    std::mt19937 generator(12);
    std::string randomBytes(64 * 1024, '\0');
    for (char& byte : randomBytes) byte = static_cast<char>(generator() & 0xFF);
    // A real file cut short after its first eighth.
    const std::string truncated = sound->substr(0, sound->size() / 8);
    // The real file with every byte after its header turned over.
    std::string scrambled = *sound;
    for (std::size_t i = 0x60; i < scrambled.size(); ++i) scrambled[i] = static_cast<char>(~scrambled[i]);

    struct Case {
        const char* name;
        std::string path;
        std::optional<std::string> content;  // none: the file is used as it is, or missing
        bool pagesOpen;
    };
    const Case cases[] = {
        {"zero bytes", folder + "kalvora_empty_help.chm", std::string(), false},
        {"random bytes", folder + "kalvora_random_help.chm", randomBytes, false},
        {"a header and junk", folder + "kalvora_not_a_help_file.chm", "ITSF" + std::string(5000, '\xA5'), false},
        {"cut short", folder + "kalvora_truncated_help.chm", truncated, false},
        {"scrambled after the header", folder + "kalvora_scrambled_help.chm", scrambled, false},
        {"missing", folder + "kalvora_missing_help.chm", std::nullopt, false},
        {"a folder", "\\", std::nullopt, false},
        {"no name", "", std::nullopt, false},
        {"no popup texts", ProgramFolder() + "kalvora_no_popups.chm", std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.content) {
            ASSERT_TRUE(WriteWholeFile(c.path, *c.content));
        }
        help.SetHelpFile(c.path);

        EXPECT_EQ(help.ShowTopic("manual.htm"), c.pagesOpen);
        toolkit::Application::Instance().ProcessMessages();
        std::vector<HWND> windows = OwnWindowsOfClass("HH Parent");
        if (c.pagesOpen) {
            EXPECT_EQ(windows.size(), 1u);
            for (HWND window : windows) ::PostMessageA(window, WM_CLOSE, 0, 0);
            EXPECT_TRUE(WaitFor([] { return OwnWindowsOfClass("HH Parent").empty(); }));
        } else {
            EXPECT_TRUE(windows.empty()) << "a help window for a file that holds no page";
        }

        // Neither an element's own text nor the general one: there is none.
        for (uint32_t number : {101u, 0u}) {
            SCOPED_TRACE(number);
            help.ShowContextPopupAt(number, 500, 300);
            toolkit::Application::Instance().ProcessMessages();
            EXPECT_EQ(VisiblePopup(), nullptr);
        }
        if (c.content) {
            EXPECT_TRUE(::DeleteFileA(c.path.c_str()));
        }
    }

    // The component still serves a sound file afterwards.
    help.SetHelpFile("kalvora_fixture.chm");
    const HWND popup = ShowPopup(101, 500, 300);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(TextOf(popup), ChartText);
}
