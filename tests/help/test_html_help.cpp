// THTMLHelp against a stand-in help library that records every call. The
// stand-in ("hhctrl.ocx") lies beside this program, so the loader finds it
// before the system's library.
#include "help/fHelpPopup.h"
#include "help/uHTMLHelp.h"
#include "settings/uProgramFiles.h"
#include "tests/help/StandInHhctrl.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/MessageWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string StandInName = "hhctrl.ocx";

// The stand-in's record of calls, read through its exports. The test holds
// a reference of its own, so that the record outlives ShutdownHtmlHelp.
class StandIn {
public:
    StandIn() : module_(::LoadLibraryA((ProgramFolder() + StandInName).c_str()))
    {
        if (!module_) return;
        count_ = Function<StandInCallCountFunction>("StandInCallCount");
        at_ = Function<StandInCallAtFunction>("StandInCallAt");
        reset_ = Function<StandInResetFunction>("StandInReset");
        setAnswer_ = Function<StandInSetAnswerFunction>("StandInSetAnswer");
    }
    bool Loaded() const { return count_ && at_ && reset_ && setAnswer_; }
    void Reset() { reset_(); }
    void SetAnswer(HWND answer) { setAnswer_(answer); }
    std::vector<StandInCall> Calls() const
    {
        std::vector<StandInCall> calls;
        for (int i = 0; i < count_(); ++i) calls.push_back(*at_(i));
        return calls;
    }

private:
    template <class F>
    F Function(const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_.Get(), name)));
    }
    toolkit::UniqueModule module_;
    StandInCallCountFunction count_ = nullptr;
    StandInCallAtFunction at_ = nullptr;
    StandInResetFunction reset_ = nullptr;
    StandInSetAnswerFunction setAnswer_ = nullptr;
};

THHPopup PopupOf(const StandInCall& call)
{
    THHPopup popup{};
    std::memcpy(&popup, call.popup, std::min<std::size_t>(sizeof(popup), sizeof(call.popup)));
    return popup;
}

HWND OwnHelpPopup()
{
    HWND popup = ::FindWindowA(HelpPopupClassName, nullptr);
    return popup && ::IsWindowVisible(popup) ? popup : nullptr;
}

std::string WindowText(HWND window)
{
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

// Each test starts from an unloaded help library of the given name and an
// empty record of calls.
class HtmlHelpWithStandIn : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetHtmlHelpLibraryName(StandInName);
        ASSERT_TRUE(standIn.Loaded()) << "the stand-in help library is missing beside the test program";
        standIn.Reset();
        help.CallerWindow = caller.Handle();
        help.SetHelpFile("kalvora.chm");
    }
    void TearDown() override { ShutdownHtmlHelp(); }

    StandIn standIn;
    toolkit::MessageWindow caller;
    THTMLHelp help;
};

}  // namespace

TEST(HelpFileInFolder, NamesBesideTheFolderAndKeepsPathsWithBackslashes)
{
    struct Case {
        const char* folder;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Apps", "kalvora.chm", "C:\\Apps\\kalvora.chm"},
        {"C:\\Apps\\", "kalvora.chm", "C:\\Apps\\kalvora.chm"},
        {"C:\\", "kalvora.chm", "C:\\kalvora.chm"},
        {"C:\\Apps", "sub\\x.chm", "sub\\x.chm"},
        {"C:\\Apps", "D:\\Help\\kalvora.chm", "D:\\Help\\kalvora.chm"},
        {"C:\\Apps", "\\\\server\\share\\kalvora.chm", "\\\\server\\share\\kalvora.chm"},
        {"", "kalvora.chm", "kalvora.chm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " + " + c.value);
        EXPECT_EQ(HelpFileInFolder(c.folder, c.value), c.expected);
    }
}

TEST(HelpFile, PlainNamesLieBesideTheProgram)
{
    THTMLHelp help;
    EXPECT_EQ(help.HelpFile(), "");
    help.SetHelpFile("kalvora.chm");
    EXPECT_EQ(help.HelpFile(), ProgramFolder() + "kalvora.chm");
    help.SetHelpFile("sub\\x.chm");
    EXPECT_EQ(help.HelpFile(), "sub\\x.chm");
    help.SetHelpFile("C:\\Help\\other.chm");
    EXPECT_EQ(help.HelpFile(), "C:\\Help\\other.chm");
}

TEST_F(HtmlHelpWithStandIn, FirstUseInitialisesTheLibraryOnce)
{
    EXPECT_TRUE(standIn.Calls().empty()) << "nothing loads the library before help is wanted";
    EXPECT_TRUE(help.HelpAvailable());
    std::vector<StandInCall> calls = standIn.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, HH_INITIALIZE_COMMAND);
    EXPECT_EQ(calls[0].window, nullptr);
    EXPECT_FALSE(calls[0].fileGiven);
    EXPECT_NE(calls[0].data, 0u) << "the cookie's address";

    // Later operations use the loaded library without initialising again,
    // and another component shares it.
    EXPECT_TRUE(help.HelpAvailable());
    THTMLHelp other;
    EXPECT_TRUE(other.HelpAvailable());
    EXPECT_TRUE(other.ShowTopic("manual.htm"));
    calls = standIn.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].command, HH_DISPLAY_TOPIC_COMMAND);
}

TEST_F(HtmlHelpWithStandIn, ShowTopicRequestsThePageInsideTheHelpFile)
{
    struct Case {
        const char* helpFile;
        const char* topic;
        HWND answer;
        std::string request;
        bool opened;
    };
    ASSERT_TRUE(help.HelpAvailable());
    const std::string beside = ProgramFolder() + "kalvora.chm";
    const Case cases[] = {
        {"kalvora.chm", "manual.htm", StandInWindow, beside + "::/manual.htm", true},
        {"kalvora.chm", "pages/settings.htm", StandInWindow, beside + "::/pages/settings.htm", true},
        {"sub\\x.chm", "manual.htm", StandInWindow, "sub\\x.chm::/manual.htm", true},
        {"kalvora.chm", "", StandInWindow, beside + "::/", true},
        {"kalvora.chm", "missing.htm", nullptr, beside + "::/missing.htm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.helpFile) + " / " + c.topic);
        help.SetHelpFile(c.helpFile);
        standIn.Reset();
        standIn.SetAnswer(c.answer);
        const std::size_t before = standIn.Calls().size();
        EXPECT_EQ(help.ShowTopic(c.topic), c.opened);
        const std::vector<StandInCall> calls = standIn.Calls();
        ASSERT_EQ(calls.size(), before + 1);
        const StandInCall& call = calls.back();
        EXPECT_EQ(call.command, HH_DISPLAY_TOPIC_COMMAND);
        EXPECT_EQ(call.window, caller.Handle());
        EXPECT_TRUE(call.fileGiven);
        EXPECT_EQ(std::string(call.file), c.request);
        EXPECT_EQ(call.data, 0u);
    }
}

TEST_F(HtmlHelpWithStandIn, PopupRequestCarriesTheRecordAsTheInterfaceDefinesIt)
{
    struct Case {
        uint32_t number;
        int x;
        int y;
    };
    const Case cases[] = {{101, 400, 300}, {0, -1280, -5}, {0xFFFFFFFFu, 32767, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        standIn.Reset();
        help.ShowContextPopupAt(c.number, c.x, c.y);
        const std::vector<StandInCall> calls = standIn.Calls();
        ASSERT_FALSE(calls.empty());
        const StandInCall& call = calls.back();
        EXPECT_EQ(call.command, HH_DISPLAY_TEXT_POPUP_COMMAND);
        EXPECT_EQ(call.window, caller.Handle());
        EXPECT_EQ(std::string(call.file), ProgramFolder() + "kalvora.chm::/cshelp.txt");
        ASSERT_EQ(call.popupBytes, static_cast<int>(sizeof(THHPopup)));
#ifndef _WIN64
        EXPECT_EQ(call.popupBytes, 52);
#endif
        const THHPopup popup = PopupOf(call);
        EXPECT_EQ(popup.cbStruct, static_cast<int32_t>(sizeof(THHPopup)));
        EXPECT_EQ(popup.hinst, nullptr);
        EXPECT_EQ(popup.idString, c.number);
        EXPECT_EQ(popup.pszText, nullptr);
        EXPECT_EQ(popup.pt.x, c.x);
        EXPECT_EQ(popup.pt.y, c.y);
        EXPECT_EQ(popup.clrForeground, static_cast<COLORREF>(-1));
        EXPECT_EQ(popup.clrBackground, static_cast<COLORREF>(-1));
        EXPECT_EQ(popup.rcMargins.left, -1);
        EXPECT_EQ(popup.rcMargins.top, -1);
        EXPECT_EQ(popup.rcMargins.right, -1);
        EXPECT_EQ(popup.rcMargins.bottom, -1);
        EXPECT_EQ(popup.pszFont, nullptr);
        // The library showed the popup: no window of our own.
        EXPECT_EQ(OwnHelpPopup(), nullptr);
    }
}

TEST_F(HtmlHelpWithStandIn, PopupAtTheCursorIsTwentyPixelsBelowIt)
{
    ASSERT_TRUE(::SetCursorPos(300, 200));
    POINT cursor{};
    ASSERT_TRUE(::GetCursorPos(&cursor));
    ASSERT_EQ(cursor.x, 300);
    ASSERT_EQ(cursor.y, 200);

    help.ShowContextPopup(0);
    const std::vector<StandInCall> calls = standIn.Calls();
    ASSERT_FALSE(calls.empty());
    ASSERT_EQ(calls.back().command, HH_DISPLAY_TEXT_POPUP_COMMAND);
    const THHPopup popup = PopupOf(calls.back());
    EXPECT_EQ(popup.idString, 0u);
    EXPECT_EQ(popup.pt.x, 300);
    EXPECT_EQ(popup.pt.y, 220);
}

TEST_F(HtmlHelpWithStandIn, ShutdownGivesTheCookieBack)
{
    ASSERT_TRUE(help.HelpAvailable());
    ShutdownHtmlHelp();
    std::vector<StandInCall> calls = standIn.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].command, HH_UNINITIALIZE_COMMAND);
    EXPECT_EQ(calls[1].window, nullptr);
    EXPECT_FALSE(calls[1].fileGiven);
    EXPECT_EQ(calls[1].data, StandInCookie);

    // Shut down once: a second shutdown does nothing, and the next use
    // loads and initialises anew.
    ShutdownHtmlHelp();
    EXPECT_EQ(standIn.Calls().size(), 2u);
    EXPECT_TRUE(help.ShowTopic("manual.htm"));
    calls = standIn.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2].command, HH_INITIALIZE_COMMAND);
    EXPECT_EQ(calls[3].command, HH_DISPLAY_TOPIC_COMMAND);
}

TEST(HtmlHelpLibrary, ShutdownFreesTheLibrary)
{
    const std::string path = ProgramFolder() + StandInName;
    SetHtmlHelpLibraryName(StandInName);
    ASSERT_EQ(::GetModuleHandleA(path.c_str()), nullptr);
    THTMLHelp help;
    ASSERT_TRUE(help.HelpAvailable());
    EXPECT_NE(::GetModuleHandleA(path.c_str()), nullptr);
    ShutdownHtmlHelp();
    EXPECT_EQ(::GetModuleHandleA(path.c_str()), nullptr);
}

TEST(HtmlHelpLibrary, MissingLibraryMakesEveryOperationANoOpAndIsLookedForAgain)
{
    // A library that appears later is found by the next call.
    const std::string lateName = "late_hhctrl.ocx";
    const std::string latePath = ProgramFolder() + lateName;
    ::DeleteFileA(latePath.c_str());
    SetHtmlHelpLibraryName(lateName);
    StandIn standIn;
    ASSERT_TRUE(standIn.Loaded());
    standIn.Reset();

    THTMLHelp help;
    help.SetHelpFile("kalvora_fixture.chm");
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_FALSE(help.HelpAvailable());
        EXPECT_FALSE(help.ShowTopic("manual.htm"));
        help.ShowContextPopupAt(101, 400, 300);
        help.ShowContextPopup(101);
        EXPECT_EQ(OwnHelpPopup(), nullptr);
    }
    EXPECT_TRUE(standIn.Calls().empty());

    ASSERT_TRUE(::CopyFileA((ProgramFolder() + StandInName).c_str(), latePath.c_str(), FALSE));
    EXPECT_TRUE(help.HelpAvailable());
    EXPECT_NE(::GetModuleHandleA(latePath.c_str()), nullptr);
    ShutdownHtmlHelp();
    SetHtmlHelpLibraryName(StandInName);
    EXPECT_TRUE(::DeleteFileA(latePath.c_str()));
}

TEST(HtmlHelpLibrary, LibraryWithoutTheEntryPointIsReleasedAgain)
{
    const std::string name = "stand_in_no_entry.dll";
    const std::string path = ProgramFolder() + name;
    ASSERT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    SetHtmlHelpLibraryName(name);
    THTMLHelp help;
    help.SetHelpFile("kalvora_fixture.chm");
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_FALSE(help.HelpAvailable());
        EXPECT_EQ(::GetModuleHandleA(path.c_str()), nullptr);
        EXPECT_FALSE(help.ShowTopic("manual.htm"));
        help.ShowContextPopupAt(101, 400, 300);
        EXPECT_EQ(OwnHelpPopup(), nullptr);
        EXPECT_EQ(::GetModuleHandleA(path.c_str()), nullptr);
    }
    SetHtmlHelpLibraryName(StandInName);
}

TEST_F(HtmlHelpWithStandIn, PopupOfOurOwnOnlyWhereTheLibraryShowsNone)
{
    help.SetHelpFile("kalvora_fixture.chm");

    // The library answers with its popup window: nothing of ours.
    help.ShowContextPopupAt(101, 400, 300);
    EXPECT_EQ(OwnHelpPopup(), nullptr);

    // It answers none: the text comes from the help file, in our popup.
    standIn.SetAnswer(nullptr);
    help.ShowContextPopupAt(101, 400, 300);
    const HWND popup = OwnHelpPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), "The history chart shows the used memory of the last samples.");
    EXPECT_EQ(::GetWindow(popup, GW_OWNER), caller.Handle());

    // The next request that the library shows itself hides ours.
    standIn.SetAnswer(StandInWindow);
    help.ShowContextPopupAt(110, 400, 300);
    EXPECT_EQ(OwnHelpPopup(), nullptr);

    // Shutting help down destroys our popup window.
    standIn.SetAnswer(nullptr);
    help.ShowContextPopupAt(101, 400, 300);
    ASSERT_NE(OwnHelpPopup(), nullptr);
    ShutdownHtmlHelp();
    EXPECT_EQ(::FindWindowA(HelpPopupClassName, nullptr), nullptr);
}
