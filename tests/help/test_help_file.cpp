// The help file kalvora.chm as the program uses it: a popup text for every
// element the main window can ask about, every page the main window opens
// inside the compiled file, no link that leads nowhere, and each page opened
// by the system's own help library.
#include "help/uHTMLHelp.h"
#include "help/uHelpFileStreams.h"
#include "help/uPopupTexts.h"
#include "settings/uProgramFiles.h"
#include "toolkit/Application.h"
#include "ui/uSkinNames.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr char HelpFileName[] = "kalvora.chm";
constexpr char PopupSourceName[] = "cshelp.txt";
constexpr char ProjectName[] = "kalvora.hhp";
constexpr char HelpTitle[] = "Kalvora Professional Help";
constexpr char HelpWindowClass[] = "HH Parent";
// More than any page of ours; the whole file is compared.
constexpr std::size_t MaxStreamBytes = 4 * 1024 * 1024;

std::string SourcePath(const std::string& name) { return std::string(KALVORA_HELP_SOURCE_DIR) + "/" + name; }

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ReadSource(const std::string& name)
{
    const std::optional<std::string> content = ReadWholeFile(SourcePath(name));
    EXPECT_TRUE(content.has_value()) << "cannot read " << SourcePath(name);
    return content.value_or(std::string());
}

// Whether the build compiles the help file (it needs chmcmd).
#ifndef KALVORA_HELP_FILE_BUILT
#define KALVORA_HELP_FILE_BUILT 1
#endif
constexpr bool HelpFileBuilt = KALVORA_HELP_FILE_BUILT != 0;
constexpr char NoHelpFileHere[] = "this build compiles no kalvora.chm (chmcmd was not found)";

std::string BuiltHelpFile() { return ProgramFolder() + HelpFileName; }

std::optional<std::string> ReadFromHelpFile(const std::string& streamPath)
{
    return ReadHelpFileStream(BuiltHelpFile(), streamPath, MaxStreamBytes);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The element IDs whose popup texts the main window shows: all but the page
// animations and the chart colours, which name nothing a user can point at,
// and the table's end row; 0 for the elements without a text of their own.
std::set<uint32_t> ElementsWithHelp()
{
    std::set<uint32_t> ids{0};
    for (const TSkinID& row : SkinNames) {
        if (row.Name.empty()) continue;
        if ((row.ID >= 201 && row.ID <= 216) || (row.ID >= 401 && row.ID <= 406)) continue;
        ids.insert(static_cast<uint32_t>(row.ID));
    }
    return ids;
}

// The element's name for messages (the names are plain ASCII).
std::string ElementName(uint32_t id)
{
    std::string name = "\"";
    for (const wchar_t c : SkinIDToName(static_cast<int32_t>(id))) name += static_cast<char>(c);
    return name + "\"";
}

// The keys after ".topic", in file order, as written.
std::vector<std::string> TopicKeys(const std::string& source)
{
    std::vector<std::string> keys;
    const std::regex topicLine(R"(^\s*\.topic\s+(\S+)\s*$)", std::regex::icase);
    for (const std::string& line : Lines(source)) {
        std::smatch match;
        if (std::regex_match(line, match, topicLine)) keys.push_back(match[1].str());
    }
    return keys;
}

// The files of the project's [FILES] section.
std::vector<std::string> ProjectFiles()
{
    std::vector<std::string> files;
    bool inFiles = false;
    for (const std::string& raw : Lines(ReadSource(ProjectName))) {
        const std::string line = std::regex_replace(raw, std::regex(R"(^\s+|\s+$)"), "");
        if (line.empty()) continue;
        if (line.front() == '[') {
            inFiles = line == "[FILES]";
            continue;
        }
        if (inFiles) files.push_back(line);
    }
    return files;
}

// The topics the main window opens with its Help button: the ".htm" texts of
// its page table, read from the table's own source.
std::set<std::string> MainWindowTopics()
{
    std::set<std::string> topics;
    const std::optional<std::string> table = ReadWholeFile(KALVORA_MAIN_PAGES_SOURCE);
    EXPECT_TRUE(table.has_value()) << "cannot read " << KALVORA_MAIN_PAGES_SOURCE;
    const std::string text = table.value_or(std::string());
    const std::regex topic(R"re("([A-Za-z0-9_]+\.htm)")re");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), topic); it != std::sregex_iterator(); ++it)
        topics.insert((*it)[1].str());
    return topics;
}

// The pages a page or a contents file points at: href="..." and the
// contents' and index's "Local" values; anchors and outside addresses left out.
std::set<std::string> LinkTargets(const std::string& page)
{
    std::set<std::string> targets;
    const std::regex link(R"re((?:href|HREF)\s*=\s*"([^"]*)"|name="Local"\s+value="([^"]*)")re");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link); it != std::sregex_iterator(); ++it) {
        std::string target = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
        target = target.substr(0, target.find('#'));
        if (target.empty() || target.find(':') != std::string::npos) continue;
        targets.insert(target);
    }
    return targets;
}

// The ".htm" files of the help sources.
std::set<std::string> SourcePages()
{
    std::set<std::string> pages;
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA(SourcePath("*.htm").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return pages;
    do {
        pages.insert(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return pages;
}

// ---------------------------------------------------------------------------

TEST(HelpPopupTexts, EveryElementTheWindowAsksAboutHasItsOwnText)
{
    const std::string source = ReadSource(PopupSourceName);
    ASSERT_FALSE(source.empty());
    for (const uint32_t id : ElementsWithHelp()) {
        const std::optional<std::string> text = FindPopupText(source, id);
        ASSERT_TRUE(text.has_value()) << "no popup text for " << id << " " << ElementName(id);
        EXPECT_NE(*text, NoHelpTopicText) << id;
        EXPECT_LT(text->size(), MaxPopupTextLength) << id << " is cut short in the popup";
    }
}

TEST(HelpPopupTexts, EveryNumberIsAnElementAndAppearsOnce)
{
    const std::set<uint32_t> ids = ElementsWithHelp();
    std::map<uint32_t, int> seen;
    for (const std::string& key : TopicKeys(ReadSource(PopupSourceName))) {
        ASSERT_TRUE(std::regex_match(key, std::regex("[0-9]{1,9}"))) << "\".topic " << key << "\" is no decimal ID";
        const auto id = static_cast<uint32_t>(std::stoul(key));
        EXPECT_TRUE(ids.count(id)) << "topic " << id << " names no element with help";
        ++seen[id];
    }
    for (const auto& [id, count] : seen) EXPECT_EQ(count, 1) << "topic " << id;
    EXPECT_EQ(seen.size(), ids.size());
}

TEST(HelpPopupTexts, AreAnsiTextWithoutTabsOrControlCharacters)
{
    // The popups are drawn in the ANSI code page: other bytes would show as
    // wrong characters.
    const std::string source = ReadSource(PopupSourceName);
    for (std::size_t i = 0; i < source.size(); ++i) {
        const auto byte = static_cast<unsigned char>(source[i]);
        const bool lineEnd = byte == '\r' || byte == '\n';
        ASSERT_TRUE(lineEnd || (byte >= 0x20 && byte < 0x7F)) << "byte " << int(byte) << " at offset " << i;
    }
}

// ---------------------------------------------------------------------------

TEST(HelpFileContents, HoldsThePopupTextsAsWritten)
{
    if constexpr (!HelpFileBuilt) GTEST_SKIP() << NoHelpFileHere;
    const std::optional<std::string> file = ReadWholeFile(BuiltHelpFile());
    ASSERT_TRUE(file.has_value()) << BuiltHelpFile() << " is not beside the test program";
    // The directory of the help file names every stored file.
    EXPECT_NE(file->find("/cshelp.txt"), std::string::npos);

    const std::optional<std::string> stored = ReadFromHelpFile(PopupSourceName);
    ASSERT_TRUE(stored.has_value()) << "the help storage finds no cshelp.txt in " << BuiltHelpFile();
    EXPECT_EQ(*stored, ReadSource(PopupSourceName)) << "the compiled texts differ from the sources: rebuild";
}

TEST(HelpFileContents, HoldsEveryPageTheMainWindowOpens)
{
    if constexpr (!HelpFileBuilt) GTEST_SKIP() << NoHelpFileHere;
    const std::set<std::string> topics = MainWindowTopics();
    ASSERT_GE(topics.size(), 7u) << "the main window's page table was not found in " << KALVORA_MAIN_PAGES_SOURCE;
    for (const std::string& topic : topics) {
        const std::optional<std::string> page = ReadFromHelpFile(topic);
        ASSERT_TRUE(page.has_value()) << topic << " is not in the help file";
        EXPECT_EQ(*page, ReadSource(topic)) << topic;
        EXPECT_NE(page->find("<title>"), std::string::npos) << topic << " has no title";
    }
}

TEST(HelpFileContents, HoldsEverySourcePageAndEveryLinkLeadsToOne)
{
    if constexpr (!HelpFileBuilt) GTEST_SKIP() << NoHelpFileHere;
    const std::vector<std::string> listed = ProjectFiles();
    ASSERT_FALSE(listed.empty());
    const std::set<std::string> listedSet(listed.begin(), listed.end());
    for (const std::string& page : SourcePages())
        EXPECT_TRUE(listedSet.count(page)) << page << " is written but not in the project's [FILES]";

    std::vector<std::string> linking{"kalvora.hhc", "kalvora.hhk"};
    for (const std::string& name : listed)
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".htm") == 0) linking.push_back(name);
    for (const std::string& name : linking) {
        const std::optional<std::string> content = ReadFromHelpFile(name);
        ASSERT_TRUE(content.has_value()) << name << " is not in the help file";
        for (const std::string& target : LinkTargets(*content))
            EXPECT_TRUE(ReadFromHelpFile(target).has_value()) << name << " links to " << target
                                                              << ", which the help file lacks";
    }
}

BOOL CALLBACK FindOwnHelpWindowIn(HWND window, LPARAM found)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof(className));
    if (process != ::GetCurrentProcessId() || std::string(className) != HelpWindowClass) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A help window of this process (another program's stays out of it).
HWND FindOwnHelpWindow()
{
    HWND found = nullptr;
    ::EnumWindows(FindOwnHelpWindowIn, reinterpret_cast<LPARAM>(&found));
    return found;
}

// ---------------------------------------------------------------------------

class HelpViewer : public ::testing::Test {
protected:
    void TearDown() override
    {
        CloseHelpWindows();
        ShutdownHtmlHelp();
    }

    static void CloseHelpWindows()
    {
        while (const HWND window = FindOwnHelpWindow()) {
            ::SendMessageA(window, WM_CLOSE, 0, 0);
            if (!toolkit::Application::Instance().ProcessMessagesUntil([&] { return !::IsWindow(window); }, 5000)) {
                ::DestroyWindow(window);
                if (::IsWindow(window)) break;
            }
        }
    }
};

TEST_F(HelpViewer, OpensEveryPageOfTheMainWindowInTheSystemsHelpLibrary)
{
    if constexpr (!HelpFileBuilt) GTEST_SKIP() << NoHelpFileHere;
    const std::set<std::string> topics = MainWindowTopics();
    ASSERT_FALSE(topics.empty());
    ASSERT_EQ(FindOwnHelpWindow(), nullptr);
    THTMLHelp help;
    help.SetHelpFile(BuiltHelpFile());
    ASSERT_EQ(help.HelpFile(), BuiltHelpFile());
    ASSERT_TRUE(help.HelpAvailable()) << "hhctrl.ocx is missing";

    for (const std::string& topic : topics) {
        SCOPED_TRACE(topic);
        ASSERT_TRUE(help.ShowTopic(topic));
        HWND window = nullptr;
        ASSERT_TRUE(toolkit::Application::Instance().ProcessMessagesUntil(
            [&] { return (window = FindOwnHelpWindow()) != nullptr; }, 5000));
        char title[128] = {};
        ::GetWindowTextA(window, title, sizeof(title));
        EXPECT_STREQ(title, HelpTitle);
        CloseHelpWindows();
        ASSERT_FALSE(::IsWindow(window)) << "the help window did not close";
    }
}

TEST_F(HelpViewer, FindsNothingInAHelpFileThatIsNotThere)
{
    // The check above means something only if a missing file opens no window.
    THTMLHelp help;
    help.SetHelpFile(ProgramFolder() + "no_such_help_file.chm");
    EXPECT_FALSE(help.ShowTopic("overview.htm"));
    EXPECT_EQ(FindOwnHelpWindow(), nullptr);
    EXPECT_FALSE(ReadHelpFileStream(help.HelpFile(), PopupSourceName, MaxStreamBytes).has_value());
}

}  // namespace
