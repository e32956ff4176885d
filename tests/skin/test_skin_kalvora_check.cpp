// The check that tells a skin author what Kalvora looks for in a skin: run on
// the default skin and on copies of it with one thing changed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/skin/SkinTestFiles.h"
#include "toolkit/Handles.h"
#include "toolkit/WideText.h"
#include "tools/skinview/KalvoraCheck.h"
#include "tools/skinview/KalvoraNamesTable.h"
#include "tools/skinview/KalvoraVocabulary.h"
#include "ui/fSkinned.h"
#include "ui/uSkinNames.h"

namespace {

using skinview::Finding;
using skinview::Severity;

std::string DefaultSkinText()
{
    std::ifstream in(toolkit::AnsiFromWide(skintest::ProgramFolder() + L"default.skn"), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Listed(const std::vector<Finding>& findings)
{
    std::string out;
    for (const Finding& f : findings) out += skinview::FormatFinding("skin.skn", f) + "\n";
    return out;
}

bool Has(const std::vector<Finding>& findings, Severity severity, const std::string& part)
{
    for (const Finding& f : findings) {
        if (f.severity == severity && f.message.find(part) != std::string::npos) return true;
    }
    return false;
}

// The text with the whole line that holds `holding` replaced (at its last
// occurrence when `last`), or "" when no line holds it.
std::string WithLine(std::string text, const std::string& holding, const std::string& line, bool last = false)
{
    const std::size_t at = last ? text.rfind(holding) : text.find(holding);
    if (at == std::string::npos) return {};
    std::size_t begin = text.rfind('\n', at);
    begin = begin == std::string::npos ? 0 : begin + 1;
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    return text.replace(begin, end - begin, line);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    if (at == std::string::npos) return {};
    return text.replace(at, from.size(), to);
}

// A line right inside the main window.
std::string WithMainElement(const std::string& text, const std::string& element)
{
    return Replaced(text, "window Kalvora {\n", "window Kalvora {\n  " + element + "\n");
}

TEST(KalvoraCheck, TheDefaultSkinIsCleanAndItsPagesMayEachHaveTheirOwnCloser)
{
    const std::string text = DefaultSkinText();
    ASSERT_NE(text.find("tab_close"), text.rfind("tab_close")) << "the default skin closes each page with its own tab_close";
    const std::vector<Finding> findings = skinview::CheckSkinTextForKalvora(text, L"default.skn");
    EXPECT_TRUE(findings.empty()) << Listed(findings);
}

struct ChangeCase {
    const char* what;
    std::string (*change)(const std::string& text);
    Severity severity;
    const char* part;  // of the message expected
    bool loads;        // the main window can still use the skin
};

const ChangeCase ChangeCases[] = {
    {"no chart", [](const std::string& t) { return Replaced(t, "static chart {", "static chart_gone {"); },
     Severity::Error, "has no element \"chart\"", false},
    {"no main window", [](const std::string& t) { return Replaced(t, "window Kalvora {", "window Main {"); },
     Severity::Error, "no window \"Kalvora\"", false},
    {"a misspelled text name",
     [](const std::string& t) { return Replaced(t, "static intervall_amount_text {", "static intervall_text {"); },
     Severity::Warning, "\"intervall_text\" is no name the program uses; did you mean \"intervall_amount_text\"?", true},
    {"the text it was meant to be is missing",
     [](const std::string& t) { return Replaced(t, "static intervall_amount_text {", "static intervall_text {"); },
     Severity::Note, "no static \"intervall_amount_text\"", true},
    {"a name in the wrong case",
     [](const std::string& t) { return Replaced(t, "static StatusStatic {", "static statusstatic {"); },
     Severity::Warning, "did you mean \"StatusStatic\"?", true},
    {"a misspelled animation",
     [](const std::string& t) { return Replaced(t, "animation manual_show {", "animation manual_shw {"); },
     Severity::Warning, "animation \"manual_shw\"; did you mean \"manual_show\"?", true},
    {"a page animation missing",
     [](const std::string& t) { return Replaced(t, "animation manual_show {", "animation manual_shw {"); },
     Severity::Note, "no animation \"manual_show\"", true},
    {"a value shown twice",
     [](const std::string& t) { return WithMainElement(t, "static manual_amount { rect = 0 0 1 1 }"); },
     Severity::Warning, "a second element \"manual_amount\"", true},
    {"a choice shown twice",
     [](const std::string& t) { return WithMainElement(t, "button cpu_tray_icon_bar { rect = 0 0 1 1; normal = slot }"); },
     Severity::Warning, "a second element \"cpu_tray_icon_bar\"", true},
    {"a page button that is no button",
     [](const std::string& t) { return WithLine(t, "button manual {", "  static manual { rect = 12 68 164 102; text = \"Manual\" }"); },
     Severity::Error, "\"manual\" is a static, but the program needs a button", false},
    {"a tray icon choice that is no button",
     [](const std::string& t) { return WithMainElement(Replaced(t, "button memory_tray_icon_bar {", "button old_bar {"),
                                                        "static memory_tray_icon_bar { rect = 0 0 1 1 }"); },
     Severity::Error, "\"memory_tray_icon_bar\" is a static, but the program needs a button", false},
    {"a scroll name that is no scroll bar",
     [](const std::string& t) { return WithMainElement(Replaced(t, "scrollbar manual_scroll {", "scrollbar old_scroller {"),
                                                        "panel manual_scroll { rect = 0 0 1 1 }"); },
     Severity::Error, "\"manual_scroll\" is a panel, but the program needs a scroll bar", false},
    {"a text button that is a static",
     [](const std::string& t) { return WithLine(t, "button help {", "  static help { rect = right-124 14 right-60 42; text = \"Help\" }"); },
     Severity::Warning, "\"help\" is a static, but the program needs a button there (it receives its text", true},
    {"an optional element missing",
     [](const std::string& t) { return Replaced(t, "button switch_skin {", "button skin_switcher {"); },
     Severity::Note, "no button \"switch_skin\"", true},
    {"dialogs without a colour",
     [](const std::string& t) { return Replaced(t, "frame = keep\n  color = #f3f5f8\n", "frame = keep\n"); },
     Severity::Note, "the default window \"dialog\" has no \"color\"", true},
    {"dialogs in the main window's face",
     [](const std::string& t) { return Replaced(t, "  default = yes\n", ""); },
     Severity::Note, "the dialogs are skinned with the default window, which is the main window \"Kalvora\"", true},
    {"the manager's chart colour missing",
     [](const std::string& t) { return WithLine(t, "static chart_cpucolor", "", true); },
     Severity::Note, "the default window \"dialog\" has no static \"chart_cpucolor\"", true},
};

TEST(KalvoraCheck, OneChangeToTheDefaultSkinIsReported)
{
    const std::string text = DefaultSkinText();
    for (const ChangeCase& c : ChangeCases) {
        SCOPED_TRACE(c.what);
        const std::string changed = c.change(text);
        ASSERT_FALSE(changed.empty()) << "the default skin no longer holds what the case changes";
        const std::vector<Finding> findings = skinview::CheckSkinTextForKalvora(changed, L"skin.skn");
        EXPECT_TRUE(Has(findings, c.severity, c.part)) << Listed(findings);
        EXPECT_EQ(!c.loads, skinview::HasErrors(findings)) << Listed(findings);
    }
}

TEST(KalvoraCheck, FindingsCarryTheLineOfTheElement)
{
    const std::string changed = Replaced(DefaultSkinText(), "static intervall_amount_text {", "static intervall_text {");
    ASSERT_FALSE(changed.empty());
    const std::size_t at = changed.find("static intervall_text {");
    const int line = 1 + static_cast<int>(std::count(changed.begin(), changed.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    for (const Finding& f : skinview::CheckSkinTextForKalvora(changed, L"skin.skn")) {
        if (f.severity == Severity::Warning) {
            EXPECT_EQ(line, f.line);
            EXPECT_EQ("skin.skn(" + std::to_string(line) + "): warning: " + f.message, skinview::FormatFinding("skin.skn", f));
        }
    }
}

TEST(KalvoraCheck, ASkinThatDoesNotLoadIsOneErrorWithTheLoadersMessage)
{
    const std::vector<Finding> findings =
        skinview::CheckSkinTextForKalvora("window Kalvora {\n  static chart { rect = 0 0 10 10 }\n", L"broken.skn");
    ASSERT_EQ(1u, findings.size());
    EXPECT_EQ(Severity::Error, findings[0].severity);
    EXPECT_NE(std::string::npos, findings[0].message.find("broken.skn(3): missing '}' for window \"Kalvora\" that starts on line 1")) << findings[0].message;
    EXPECT_EQ("error: " + findings[0].message, skinview::FormatFinding("broken.skn", findings[0]));

    const std::vector<Finding> missing = skinview::CheckSkinFileForKalvora(skintest::ProgramFolder() + L"no such skin.skn");
    ASSERT_EQ(1u, missing.size());
    EXPECT_TRUE(skinview::HasErrors(missing));
}

// Every skin of the source tree, the fuzzer's odd inputs among them, is
// checked or refused with a message; none brings the check down.
TEST(KalvoraCheck, EverySkinOfTheSourceTreeIsCheckedOrRefused)
{
    int checked = 0;
    for (const char* folder : {KALVORA_SOURCE_DIR "/resources/", KALVORA_SOURCE_DIR "/fuzz/corpus/"}) {
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA((std::string(folder) + "*.skn").c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, search) << folder;
        do {
            SCOPED_TRACE(found.cFileName);
            const std::vector<Finding> findings = skinview::CheckSkinFileForKalvora(toolkit::WideFromAnsi(std::string(folder) + found.cFileName));
            for (const Finding& f : findings) EXPECT_FALSE(f.message.empty());
            ++checked;
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    EXPECT_GE(checked, 2);
}

TEST(KalvoraCheck, ThousandsOfMistypedNamesAreEachReported)
{
    std::string text = "window Kalvora {\n  static chart { rect = 0 0 10 10 }\n";
    const int count = 3000;
    for (int i = 0; i < count; ++i) text += "  static intervall_text { rect = 0 0 1 1 }\n";
    text += "  static " + std::string(4000, 'x') + " { }\n}\n";
    const std::vector<Finding> findings = skinview::CheckSkinTextForKalvora(text, L"many.skn");
    EXPECT_FALSE(skinview::HasErrors(findings)) << Listed(findings).substr(0, 2000);
    EXPECT_EQ(count, std::count_if(findings.begin(), findings.end(), [](const Finding& f) {
                  return f.severity == Severity::Warning && f.message.find("did you mean \"intervall_amount_text\"") != std::string::npos;
              }));
}

// skinview.exe, built beside the tests: its exit code for the check.
DWORD SkinviewExitCode(const std::wstring& arguments)
{
    std::wstring command = L"\"" + skintest::ProgramFolder() + L"skinview.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    toolkit::UniqueKernelHandle processHandle(process.hProcess);
    toolkit::UniqueKernelHandle threadHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xFFFFFFFF;
    ::GetExitCodeProcess(process.hProcess, &code);
    return code;
}

TEST(KalvoraCheck, SkinviewEndsWithOneOnlyWhenThereIsAnError)
{
    skintest::TempFolder folder;
    folder.Write("nochart.skn", Replaced(DefaultSkinText(), "static chart {", "static chart_gone {"));
    folder.Write("mistyped.skn", Replaced(DefaultSkinText(), "static intervall_amount_text {", "static intervall_text {"));
    const std::wstring check = L"--check ";
    EXPECT_EQ(0u, SkinviewExitCode(check + L"\"" + skintest::ProgramFolder() + L"default.skn\" --for kalvora"));
    EXPECT_EQ(1u, SkinviewExitCode(check + L"\"" + folder.Path("nochart.skn") + L"\" --for kalvora"));
    EXPECT_EQ(0u, SkinviewExitCode(check + L"\"" + folder.Path("mistyped.skn") + L"\" --for kalvora"));
    EXPECT_EQ(0u, SkinviewExitCode(check + L"\"" + folder.Path("nochart.skn") + L"\""));  // a valid skin all the same
    EXPECT_EQ(1u, SkinviewExitCode(check + L"\"" + folder.Path("missing.skn") + L"\" --for kalvora"));
    EXPECT_EQ(2u, SkinviewExitCode(check + L"\"" + folder.Path("nochart.skn") + L"\" --for nobody"));
}

TEST(KalvoraCheck, LikelyMeantFindsSlipsButNotNamesOfTheirOwn)
{
    const std::vector<std::wstring> names = {L"manual", L"manual_scroll", L"intervall_amount_text", L"chart", L"text_manual"};
    const struct {
        const wchar_t* name;
        const wchar_t* meant;
    } cases[] = {
        {L"intervall_text", L"intervall_amount_text"},  // a word left out in the middle
        {L"manual_scrol", L"manual_scroll"},
        {L"manaul_scroll", L"manual_scroll"},
        {L"Manual", L"manual"},
        {L"manual", L""},                // a name of the list itself
        {L"chart_card", L""},            // a word of its own at the end
        {L"page_manual", L""},           // and at the start
        {L"intervall_big_amount_text", L"intervall_amount_text"},
        {L"nav_back", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(std::wstring(c.meant), skinview::LikelyMeant(c.name, names)) << toolkit::AnsiFromWide(c.name);
}

TEST(KalvoraVocabulary, ComesFromTheProgramsOwnTablesAndHelpers)
{
    const skinview::KalvoraVocabulary& v = skinview::TheKalvoraVocabulary();
    EXPECT_EQ(SkinIDToName(1), v.mainWindow);
    std::size_t rows = 0;
    for (const TSkinID& row : SkinNames) {
        if (row.Name.empty() || row.ID == 1) continue;
        ++rows;
        const std::wstring name(row.Name);
        EXPECT_TRUE(v.Find(name) || v.IsAnimation(name)) << toolkit::AnsiFromWide(name);
        EXPECT_FALSE(v.Find(name) && v.IsAnimation(name)) << toolkit::AnsiFromWide(name);
    }
    EXPECT_EQ(rows, v.animations.size() + std::count_if(v.elements.begin(), v.elements.end(), [](const skinview::NameUse& u) {
                        return SkinNameToID(u.name) != 0;
                    }));

    const struct {
        const wchar_t* name;
        unsigned kinds;
        bool fatal;
        bool single;
    } uses[] = {
        {L"manual_scroll", skinview::KindScrollBar, true, true},      // its range is set at load
        {L"manual_amount", skinview::KindStatic, true, true},
        {L"set_value1", skinview::KindButton, true, true},
        {L"StatusStatic", skinview::KindStatic, true, true},
        {L"memory_tray_icon_bar", skinview::KindButton, true, true},  // pressed look
        {L"regular", skinview::KindButton, true, true},
        {L"regular_on_check", skinview::KindButton, false, true},     // checked look, failures ignored
        {L"intervall_amount_text", skinview::KindStatic, false, true},
        {L"help", skinview::KindButton, false, true},
        {L"header", skinview::KindStatic, false, true},
        {L"chart_line2color", skinview::KindStatic, false, true},
        {L"chart", skinview::KindAny, false, true},
        {L"tab_close", skinview::KindAny, false, false},              // only takes clicks
        {L"about_close", skinview::KindAny, false, false},
    };
    for (const auto& u : uses) {
        SCOPED_TRACE(toolkit::AnsiFromWide(u.name));
        const skinview::NameUse* use = v.Find(u.name);
        ASSERT_NE(nullptr, use);
        EXPECT_EQ(u.kinds, use->kinds);
        EXPECT_EQ(u.fatal, use->fatal);
        EXPECT_EQ(u.single, use->single);
    }
    EXPECT_TRUE(v.Find(L"chart")->required);
    EXPECT_TRUE(v.Find(L"chart_backcolor")->dialogs);
    EXPECT_FALSE(v.Find(L"manual_amount")->dialogs);
    // The dialogs' text look: a static of the default window alone.
    const skinview::NameUse* dialogText = v.Find(DialogTextElementName);
    ASSERT_NE(nullptr, dialogText);
    EXPECT_TRUE(dialogText->dialogsOnly);
    EXPECT_EQ(skinview::KindStatic, dialogText->kinds);
}

}  // namespace

// The dark skin that ships beside the default is as complete as it.
TEST(KalvoraCheck, TheDarkSkinIsCleanToo)
{
    const std::vector<Finding> findings =
        skinview::CheckSkinFileForKalvora(skintest::ProgramFolder() + L"dark.skn");
    EXPECT_TRUE(findings.empty()) << Listed(findings);
}

// The skin format document lists every name as the program uses it: the
// table between its two markers is what "skinview --names" prints.
TEST(KalvoraNamesTable, TheSkinFormatDocumentShowsTheProgramsOwnTable)
{
    std::ifstream in(KALVORA_SOURCE_DIR "/docs/skin-format.md", std::ios::binary);
    ASSERT_TRUE(in) << "docs/skin-format.md";
    std::stringstream whole;
    whole << in.rdbuf();
    std::string document = whole.str();
    document.erase(std::remove(document.begin(), document.end(), '\r'), document.end());
    const std::string begin = "<!-- names: made by skinview --names -->\n";
    const std::string end = "<!-- names: end -->";
    const std::size_t from = document.find(begin);
    ASSERT_NE(from, std::string::npos) << "the document has no start marker";
    const std::size_t to = document.find(end, from);
    ASSERT_NE(to, std::string::npos) << "the document has no end marker";
    const std::string table = skinview::KalvoraNamesTable();
    EXPECT_EQ(document.substr(from + begin.size(), to - from - begin.size()), table)
        << "put the output of skinview --names between the markers of docs/skin-format.md";
    // Every element name of the program's table is in it.
    for (const TSkinID& row : SkinNames) {
        if (row.Name.empty()) continue;
        EXPECT_NE(table.find("`" + toolkit::AnsiFromWide(std::wstring(row.Name)) + "`"), std::string::npos)
            << toolkit::AnsiFromWide(std::wstring(row.Name));
    }
}
