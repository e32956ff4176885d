// The free-and-run manager as a user meets it: opened from the tray command,
// its controls and layout, the list, names typed with the keyboard, the
// level set with the scroll bar's own keys, programs chosen in the real file
// dialog or dropped onto the window, hostile input, and its end with the
// program while it or its file dialog is open.
#include "tests/freeandrun/FreeAndRunManagerSupport.h"

#include "settings/uRegistry.h"
#include "tests/ui/RobustTestSupport.h"
#include "toolkit/MessageWindow.h"
#include "ui/uSkinHelper.h"

#include <algorithm>

using namespace managertest;

namespace {

std::string ThisProgram()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

}  // namespace

// ---- the window and its controls

TEST_F(ManagerTest, TheWindowHasEveryControlWithItsTextAndStyle)
{
    TfrmFreeAndRun& manager = Open();
    EXPECT_EQ(WindowText(manager.Handle()), "Free and run menu - manage entries");
    EXPECT_TRUE(::IsWindowVisible(manager.Handle()));

    struct Text { const char* what; HWND control; const char* text; };
    const Text texts[] = {{"Add", manager.AddButton(), "Add"},
                          {"Remove", manager.RemoveButton(), "Remove"},
                          {"...", manager.BrowseButton(), "..."},
                          {"Close", manager.CloseButton(), "Close"}};
    for (const Text& t : texts) {
        SCOPED_TRACE(t.what);
        EXPECT_EQ(WindowText(t.control), t.text);
        EXPECT_TRUE(::IsWindowVisible(t.control));
    }
    EXPECT_EQ(manager.ProgPathLabel().Caption(), L"Program file");
    EXPECT_EQ(manager.NameLabel().Caption(), L"Name");
    EXPECT_EQ(manager.AmountLabel().Caption(), L"Amount of memory to free-up:");

    const LONG style = ::GetWindowLongA(manager.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME) << "sizeable";
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_MINIMIZEBOX) << "close and maximise only";
    EXPECT_EQ(::GetWindow(manager.Handle(), GW_OWNER), engine->Handle()) << "owned by the engine window";

    char className[64] = {};
    ::GetClassNameA(manager.ListView(), className, sizeof(className));
    EXPECT_STREQ(className, WC_LISTVIEWA) << "the system's list view";
    const LONG listStyle = ::GetWindowLongA(manager.ListView(), GWL_STYLE);
    EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_SMALLICON);
    EXPECT_TRUE(listStyle & LVS_SHOWSELALWAYS);
    EXPECT_TRUE(listStyle & LVS_SINGLESEL);
    EXPECT_FALSE(listStyle & LVS_EDITLABELS) << "read-only rows";
    EXPECT_TRUE(listStyle & LVS_SHAREIMAGELISTS) << "the image list is the window's, destroyed once by it";
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(::SendMessageA(manager.ListView(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
              manager.Icons().Handle());
    EXPECT_TRUE(::GetWindowLongA(manager.ProgramPathEdit(), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(::GetWindowLongA(manager.NameEdit(), GWL_STYLE) & ES_READONLY);
    ::GetClassNameA(manager.ScrollBar(), className, sizeof(className));
    EXPECT_STREQ(className, "ScrollBar");
    EXPECT_FALSE(::GetWindowLongA(manager.ScrollBar(), GWL_STYLE) & SBS_VERT) << "horizontal";
    EXPECT_TRUE(::GetWindowLongA(manager.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "files can be dropped";
}

TEST_F(ManagerTest, TheLayoutFollowsTheWindowsSize)
{
    TfrmFreeAndRun& manager = Open();
    struct Size { int width, height; };
    for (const Size size : {Size{612, 395}, Size{900, 640}, Size{500, 320}}) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        RECT outer{0, 0, size.width, size.height};
        ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongA(manager.Handle(), GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongA(manager.Handle(), GWL_EXSTYLE)));
        ::SetWindowPos(manager.Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                       SWP_NOMOVE | SWP_NOZORDER);
        Pump();
        const SIZE client = mainwindowtest::ClientSize(manager.Handle());
        ASSERT_EQ(client.cx, size.width);
        ASSERT_EQ(client.cy, size.height);

        const RECT add = BoundsInParent(manager.AddButton());
        const RECT remove = BoundsInParent(manager.RemoveButton());
        const RECT list = BoundsInParent(manager.ListView());
        EXPECT_EQ(add.top, remove.top) << "side by side";
        EXPECT_LT(add.right, remove.left);
        EXPECT_LE(remove.right, FreeAndRunLeftColumn) << "in the left column";
        EXPECT_GE(list.top, add.bottom) << "the list below the buttons";
        EXPECT_LE(list.right, FreeAndRunLeftColumn);
        EXPECT_GE(list.bottom, client.cy - 10) << "the list fills the column";

        const RECT path = BoundsInParent(manager.ProgramPathEdit());
        const RECT browse = BoundsInParent(manager.BrowseButton());
        const RECT name = BoundsInParent(manager.NameEdit());
        const RECT mb = BoundsInParent(manager.MBLabel());
        const RECT bar = BoundsInParent(manager.ScrollBar());
        const RECT chart = BoundsInParent(manager.PerformanceChart().Handle());
        const RECT close = BoundsInParent(manager.CloseButton());
        EXPECT_GT(path.left, FreeAndRunLeftColumn) << "the right part";
        EXPECT_GE(browse.left, path.right) << "\"...\" right of the path";
        EXPECT_GT(name.top, path.bottom);
        EXPECT_GT(mb.top, name.bottom);
        EXPECT_LE(mb.right, bar.left) << "the amount left of the scroll bar";
        EXPECT_GT(chart.top, bar.bottom) << "the chart below them";
        EXPECT_EQ(chart.right, client.cx - 8);
        EXPECT_LT(chart.bottom, close.top);
        EXPECT_GE(chart.bottom, close.top - 12) << "the chart takes the remaining height";
        EXPECT_EQ(close.right, client.cx - 8) << "Close at the bottom right";
        EXPECT_EQ(close.bottom, client.cy - 8);
    }
}

TEST_F(ManagerTest, TheScrollBarTheChartAndTheFileDialogAreSetUpFromTheMachine)
{
    TfrmFreeAndRun& manager = Open();
    const SCROLLINFO bar = ScrollInfo(manager.ScrollBar());
    EXPECT_EQ(bar.nMin, 1);
    EXPECT_EQ(bar.nMax, TestTotalMB + TestTotalMB / 20);
    EXPECT_EQ(bar.nPage, static_cast<UINT>(TestTotalMB / 20));
    EXPECT_TRUE(manager.PerformanceChart().ShowAdjust());
    EXPECT_EQ(manager.PerformanceChart().AdjustValue(), static_cast<uint32_t>(TestTotalMB / 2)) << "with no entry";

    uint32_t maxY = 7;
    manager.PerformanceChart().OnGetMaxY(manager.PerformanceChart(), maxY);
    EXPECT_EQ(maxY, static_cast<uint32_t>(TestTotalMB));
    std::string label = "500";
    manager.PerformanceChart().OnGetYDisplay(manager.PerformanceChart(), 500, label);
    EXPECT_EQ(label, "500 MB");

    const TProgramFileDialog& dialog = manager.OpenDialog();
    EXPECT_EQ(dialog.Title, "Add Program");
    EXPECT_EQ(dialog.Filter, "Program Files (*.exe, *.lnk)|*.exe;*.lnk|All files (*.*)|*.*");
    EXPECT_EQ(dialog.InitialDir, ReadRegString(ShellFoldersKey, "Start Menu", ""));
    struct Flag { const char* what; DWORD flag; bool set; };
    const Flag flags[] = {{"explorer style", OFN_EXPLORER, true},
                          {"resizable", OFN_ENABLESIZING, true},
                          {"no read-only box", OFN_HIDEREADONLY, true},
                          {"shortcuts not resolved", OFN_NODEREFERENCELINKS, true},
                          {"a path to nothing is taken", OFN_FILEMUSTEXIST, false}};
    for (const Flag& f : flags) EXPECT_EQ((TProgramFileDialog::Flags() & f.flag) != 0, f.set) << f.what;
}

TEST_F(ManagerTest, TheChartTakesItsColoursFromTheSkinOrKeepsItsOwn)
{
    mainwindowtest::SkinFile plain("plain.skn", "window dialog { default = yes; frame = keep; color = #f0f0f0 }");
    struct Case { const char* what; std::string skin; bool skinColours; };
    const Case cases[] = {{"the default skin", DefaultSkinPath(), true},
                          {"a skin without chart colours", plain.Path(), false},
                          {"no skin file", "", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Options->SetSkin(c.skin);
        TfrmFreeAndRun& manager = Open();
        TPerformanceChart& chart = manager.PerformanceChart();
        // What the default skin's dialog window gives, or the chart's own.
        struct Colour { const wchar_t* element; uint32_t (TPerformanceChart::*get)() const; uint32_t own; };
        const Colour colours[] = {{L"chart_backcolor", &TPerformanceChart::Color, 0x00FFFFFF},
                                  {L"chart_forecolor", &TPerformanceChart::DataColor, 0x0000FFFF},
                                  {L"chart_cpucolor", &TPerformanceChart::CPUColor, 0x00FF0000},
                                  {L"chart_linecolor", &TPerformanceChart::AdjustColor, 0x000000FF},
                                  {L"chart_line2color", &TPerformanceChart::AdjustColor2, 0x000000FF},
                                  {L"chart_fontcolor", &TPerformanceChart::FontColor, 0x00000000}};
        for (const Colour& colour : colours) {
            SCOPED_TRACE(toolkit::AnsiFromWide(colour.element));
            const uint32_t expected = c.skinColours
                                          ? ReadElementColor(FindElement(manager.WindowObject(), colour.element), 0xFF000000)
                                          : colour.own;
            ASSERT_NE(expected, 0xFF000000u) << "the default skin has this colour";
            EXPECT_EQ((chart.*colour.get)(), expected);
        }
        if (c.skinColours) {
            EXPECT_EQ(chart.DataColor(), 0x00D84E1Du) << "#1d4ed8 of the default skin";
        }
        manager.cmdCloseClick();
        Pump();
        EXPECT_EQ(engine->FindFreeAndRunWindow(), nullptr);
    }
}

// ---- opening, once

TEST_F(ManagerTest, TheTrayCommandOpensOneManagerAndBringsItUpAgain)
{
    TfrmFreeAndRun& first = Open();
    const HWND window = first.Handle();
    ::ShowWindow(window, SW_HIDE);
    engine->RunCommand(cmdEditEntries);
    Pump();
    EXPECT_EQ(engine->FindFreeAndRunWindow(), &first) << "the open one, not a second";
    EXPECT_TRUE(::IsWindowVisible(window)) << "brought up again";
    int managers = 0;
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(w, &process);
        if (WindowText(w) == FreeAndRunCaption && process == ::GetCurrentProcessId()) ++managers;
    }
    EXPECT_EQ(managers, 1);

    // Closed, it is gone; the command makes a new one.
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(engine->FindFreeAndRunWindow(), nullptr);
    TfrmFreeAndRun& second = Open();
    EXPECT_TRUE(::IsWindowVisible(second.Handle()));
}

TEST_F(ManagerTest, EverySampleRepaintsTheChart)
{
    Options->SetChartInterval(250);  // a sample on every tick
    TfrmFreeAndRun& manager = Open();
    const HWND chart = manager.PerformanceChart().Handle();
    ::UpdateWindow(chart);
    RECT dirty{};
    ASSERT_FALSE(::GetUpdateRect(chart, &dirty, FALSE)) << "painted, nothing pending";
    engine->TimerTimer();
    EXPECT_TRUE(::GetUpdateRect(chart, &dirty, FALSE)) << "the sample asks for a repaint";
}

// ---- the list

TEST_F(ManagerTest, AnEmptyListShowsNoRowsAndDisabledEmptyFields)
{
    TfrmFreeAndRun& manager = Open();
    EXPECT_EQ(manager.RowCount(), 0);
    EXPECT_EQ(manager.SelectedID(), -1);
    for (HWND control : {manager.NameEdit(), manager.ScrollBar(), manager.ProgramPathEdit(), manager.BrowseButton()})
        EXPECT_FALSE(::IsWindowEnabled(control));
    EXPECT_EQ(WindowText(manager.NameEdit()), "");
    EXPECT_EQ(WindowText(manager.ProgramPathEdit()), "");
    EXPECT_EQ(WindowText(manager.MBLabel()), SizeText(1));
    EXPECT_EQ(WindowText(manager.MBLabel()), "1 MB");
    // Remove with nothing selected does nothing.
    Click(manager.RemoveButton());
    Pump();
    EXPECT_EQ(Options->FreeAndRunList().Count(), 0);
}

TEST_F(ManagerTest, OpeningWithEntriesSelectsTheFirstRowAndShowsItsValues)
{
    struct Case { const char* what; int firstLevel; };
    // A first level equal to the scroll bar's starting position shows its
    // own amount too.
    for (const Case c : {Case{"a level inside", 1200}, Case{"the lowest level", 1}, Case{"the top level", TestTotalMB}}) {
        SCOPED_TRACE(c.what);
        while (Options->FreeAndRunList().Count()) Options->FreeAndRunList().Remove(&Options->FreeAndRunList().Item(0));
        AddEntry("Editor", "C:\\Tools\\editor.exe", c.firstLevel);
        AddEntry("", "C:\\Games\\game.exe", 300);
        TfrmFreeAndRun& manager = Open();
        EXPECT_EQ(Rows(manager), (std::vector<std::string>{"Editor", "game.exe"}));
        EXPECT_EQ(manager.SelectedID(), Options->FreeAndRunList().Item(0).ID);
        EXPECT_EQ(WindowText(manager.ProgramPathEdit()), "C:\\Tools\\editor.exe");
        EXPECT_EQ(WindowText(manager.NameEdit()), "Editor");
        EXPECT_EQ(manager.ScrollPosition(), c.firstLevel);
        EXPECT_EQ(WindowText(manager.MBLabel()), FreeUpSizeText(c.firstLevel));
        EXPECT_EQ(manager.PerformanceChart().AdjustValue(), static_cast<uint32_t>(c.firstLevel));
        for (HWND control : {manager.NameEdit(), manager.ScrollBar(), manager.ProgramPathEdit(), manager.BrowseButton()})
            EXPECT_TRUE(::IsWindowEnabled(control));

        SelectRow(manager, 1);
        EXPECT_EQ(WindowText(manager.ProgramPathEdit()), "C:\\Games\\game.exe");
        EXPECT_EQ(WindowText(manager.NameEdit()), "");
        EXPECT_EQ(WindowText(manager.MBLabel()), FreeUpSizeText(300));
        EXPECT_EQ(Options->FreeAndRunList().Item(1).Name, "") << "showing a name does not store one";
        manager.cmdCloseClick();
        Pump();
    }
}

TEST_F(ManagerTest, AClickBesideTheRowsSelectsNothingAndLeavesNothingToEdit)
{
    AddEntry("Editor", "C:\\Tools\\editor.exe", 1000);
    AddEntry("", "C:\\Games\\game.exe", 300);
    TfrmFreeAndRun& manager = Open();
    ASSERT_EQ(manager.SelectedID(), Options->FreeAndRunList().Item(0).ID);

    RECT client{};
    ::GetClientRect(manager.ListView(), &client);
    const LPARAM below = MAKELPARAM(client.right / 2, client.bottom - 4);
    ::PostMessageA(manager.ListView(), WM_LBUTTONDOWN, MK_LBUTTON, below);
    ::PostMessageA(manager.ListView(), WM_LBUTTONUP, 0, below);
    ASSERT_TRUE(PumpUntil([&] { return manager.SelectedID() == -1; })) << "the click kept the row selected";
    Pump();
    for (HWND control : {manager.NameEdit(), manager.ScrollBar(), manager.ProgramPathEdit(), manager.BrowseButton()})
        EXPECT_FALSE(::IsWindowEnabled(control));
    EXPECT_EQ(WindowText(manager.NameEdit()), "");
    EXPECT_EQ(WindowText(manager.ProgramPathEdit()), "");
    EXPECT_EQ(Options->FreeAndRunList().Item(0).Name, "Editor") << "emptying the field is no rename";

    SelectRow(manager, 1);
    for (HWND control : {manager.NameEdit(), manager.ScrollBar(), manager.ProgramPathEdit(), manager.BrowseButton()})
        EXPECT_TRUE(::IsWindowEnabled(control));
    EXPECT_EQ(WindowText(manager.ProgramPathEdit()), "C:\\Games\\game.exe");
}

TEST_F(ManagerTest, ATypedNameIsStoredAtOnceAndShownWhenTheFieldLosesTheFocus)
{
    AddEntry("", "C:\\Tools\\editor.exe", 1000);
    AddEntry("", "C:\\Games\\game.exe", 300);
    TfrmFreeAndRun& manager = Open();
    EXPECT_EQ(SubmenuCaptions(), (std::vector<std::string>{"Manage entries...", "", "editor.exe", "game.exe"}));

    ::SetForegroundWindow(manager.Handle());
    ::SetFocus(manager.NameEdit());
    TypeText(L"My Editor");
    ASSERT_TRUE(PumpUntil([] { return Options->FreeAndRunList().Item(0).Name == "My Editor"; }))
        << "typed: " << WindowText(manager.NameEdit());
    Pump();
    EXPECT_EQ(manager.RowText(0), "editor.exe") << "the row waits for the field to be left";
    EXPECT_EQ(SubmenuCaptions()[2], "editor.exe");

    ::SetFocus(manager.ListView());
    Pump();
    EXPECT_EQ(manager.RowText(0), "My Editor");
    EXPECT_EQ(SubmenuCaptions()[2], "My Editor");
    EXPECT_EQ(manager.SelectedID(), Options->FreeAndRunList().Item(0).ID) << "the row stays selected";

    // A name typed and never left reaches the menu when the window closes.
    SelectRow(manager, 1);
    ::SetFocus(manager.NameEdit());
    TypeText(L"Game");
    ASSERT_TRUE(PumpUntil([] { return Options->FreeAndRunList().Item(1).Name == "Game"; }));
    ::DestroyWindow(manager.Handle());
    Pump();
    EXPECT_EQ(SubmenuCaptions()[3], "Game");

    // An emptied name shows the file name again.
    TfrmFreeAndRun& again = Open();
    ::SetForegroundWindow(again.Handle());
    ::SetFocus(again.NameEdit());
    ::SendMessageA(again.NameEdit(), EM_SETSEL, 0, -1);
    PressKey(VK_DELETE);
    ASSERT_TRUE(PumpUntil([] { return Options->FreeAndRunList().Item(0).Name.empty(); }));
    ::SetFocus(again.ListView());
    Pump();
    EXPECT_EQ(again.RowText(0), "editor.exe");
}

TEST_F(ManagerTest, TabMovesBetweenTheControlsAndEnterOrEscDoNothing)
{
    AddEntry("Editor", "C:\\Tools\\editor.exe", 1000);
    TfrmFreeAndRun& manager = Open();
    ::SetForegroundWindow(manager.Handle());
    ::SetFocus(manager.NameEdit());
    Pump();
    PressKey(VK_TAB);
    ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() != manager.NameEdit(); }));
    EXPECT_TRUE(::IsChild(manager.Handle(), ::GetFocus())) << "the next control of the window";
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    Pump();
    EXPECT_TRUE(::IsWindowVisible(manager.Handle())) << "no default or cancel button closes it";
    EXPECT_EQ(Options->FreeAndRunList().Count(), 1);
}

TEST_F(ManagerTest, NamesAreTrimmedOfBlanksAndControlCharacters)
{
    struct Case { const char* what; std::string pasted; std::string stored; };
    const Case cases[] = {
        {"blanks around", "   Editor  ", "Editor"},
        {"control characters around", "\x01\t Editor\x7F\x1F", "Editor"},
        {"a control character inside", "Ed\x02itor", "Editor"},
        {"blanks inside stay", "My  Editor", "My  Editor"},
        {"only blanks and controls", " \t\x03 ", ""},
        {"10 000 characters", std::string(10000, 'n'), std::string(10000, 'n')},
    };
    AddEntry("", "C:\\Tools\\editor.exe", 1000);
    TfrmFreeAndRun& manager = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Pasted: what the keyboard cannot type reaches the field this way.
        ::SendMessageA(manager.NameEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.pasted.c_str()));
        Pump();
        EXPECT_EQ(Options->FreeAndRunList().Item(0).Name, c.stored);
        manager.txtNameExit();
        Pump();
        EXPECT_EQ(manager.RowText(0), c.stored.empty() ? "editor.exe" : c.stored);
        EXPECT_EQ(SubmenuCaptions().at(2), c.stored.empty() ? "editor.exe" : c.stored);
    }
}

TEST_F(ManagerTest, TheScrollBarsKeysSetTheLevelAndTheAmountShown)
{
    AddEntry("Editor", "C:\\Tools\\editor.exe", TestTotalMB / 2);
    struct Case { const char* what; WORD key; int start; int level; };
    const int page = TestTotalMB / 20;
    const Case cases[] = {
        {"End: the right end, clamped to the total", VK_END, TestTotalMB / 2, TestTotalMB},
        {"Home: the lowest level", VK_HOME, TestTotalMB / 2, 1},
        {"Right: one more", VK_RIGHT, TestTotalMB / 2, TestTotalMB / 2 + 1},
        {"Left: one less", VK_LEFT, TestTotalMB / 2, TestTotalMB / 2 - 1},
        {"Page Down: a page more", VK_NEXT, TestTotalMB / 2, TestTotalMB / 2 + page},
        {"Page Down near the end: clamped to the total", VK_NEXT, TestTotalMB - 3, TestTotalMB},
        {"Left at the lowest level stays", VK_LEFT, 1, 1},
    };
    TfrmFreeAndRun& manager = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Options->FreeAndRunList().Item(0).MBToFree = c.start;
        Options->NotifyChange(ChangeFreeAndRun);
        Pump();
        ASSERT_EQ(manager.ScrollPosition(), c.start);
        PostKey(manager.ScrollBar(), c.key);
        Pump();
        EXPECT_EQ(Options->FreeAndRunList().Item(0).MBToFree, c.level);
        EXPECT_EQ(WindowText(manager.MBLabel()), FreeUpSizeText(c.level));
        EXPECT_EQ(manager.PerformanceChart().AdjustValue(), static_cast<uint32_t>(c.level));
    }
    // The right end is the smallest free-up.
    PostKey(manager.ScrollBar(), VK_END);
    Pump();
    EXPECT_EQ(WindowText(manager.MBLabel()), "1 MB");
    EXPECT_EQ(manager.ScrollPosition(), TestTotalMB + 1) << "the thumb's own right end";
    EXPECT_EQ(Options->FreeAndRunList().Item(0).MBToFree, TestTotalMB);
}

// ---- adding, choosing and removing through the real controls

TEST_F(ManagerTest, AddingKeepsTheSelectedRowAndListsTheNewEntryLastAtHalfTheMemory)
{
    const std::string program = files.Add("tool.exe");
    struct Case { const char* what; int entriesBefore; int selectedBefore; int selectedAfter; };
    const Case cases[] = {{"an empty list", 0, -1, 0}, {"the second of three selected", 3, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        while (Options->FreeAndRunList().Count()) Options->FreeAndRunList().Remove(&Options->FreeAndRunList().Item(0));
        for (int i = 0; i < c.entriesBefore; ++i) AddEntry("Entry " + std::to_string(i), "C:\\e" + std::to_string(i) + ".exe", 100);
        TfrmFreeAndRun& manager = Open();
        if (c.selectedBefore >= 0) SelectRow(manager, c.selectedBefore);

        ASSERT_TRUE(ChooseThrough(manager.AddButton(), program)) << "the file dialog was not answered";
        ASSERT_TRUE(PumpUntil([&] { return manager.RowCount() == c.entriesBefore + 1; }));
        const TFreeAndRunItem& added = Options->FreeAndRunList().Item(c.entriesBefore);
        EXPECT_EQ(added.FileToRun, program);
        EXPECT_EQ(added.Name, "");
        EXPECT_EQ(added.MBToFree, TestTotalMB / 2);
        EXPECT_EQ(manager.RowText(c.entriesBefore), "tool.exe") << "listed last";
        EXPECT_GE(manager.RowIcon(c.entriesBefore), 0) << "with the shell's icon of the file";
        EXPECT_EQ(manager.SelectedID(), Options->FreeAndRunList().Item(c.selectedAfter).ID);

        SelectRow(manager, c.entriesBefore);
        EXPECT_EQ(WindowText(manager.MBLabel()), SizeText(TestTotalMB - TestTotalMB / 2)) << "a new entry frees half";
        manager.cmdCloseClick();
        Pump();
    }
}

TEST_F(ManagerTest, TheFileDialogTakesShortcutsAsThemselvesAndPathsToNothing)
{
    const std::string target = files.Add("target.exe");
    const std::string shortcut = files.AddShortcut("Editor.lnk", target);
    const std::string nothing = files.Folder() + "gone\\ghost.exe";
    struct Case { const char* what; std::string chosen; std::string row; };
    const Case cases[] = {{"a shortcut", shortcut, "Editor"}, {"a path to nothing", nothing, "ghost.exe"}};
    TfrmFreeAndRun& manager = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = manager.RowCount();
        ASSERT_TRUE(ChooseThrough(manager.AddButton(), c.chosen));
        ASSERT_TRUE(PumpUntil([&] { return manager.RowCount() == before + 1; }));
        EXPECT_EQ(Options->FreeAndRunList().Item(before).FileToRun, c.chosen);
        EXPECT_EQ(manager.RowText(before), c.row);
    }

    // "..." points the selected entry at another file.
    SelectRow(manager, 1);
    const std::string other = files.Add("other.exe");
    ASSERT_TRUE(ChooseThrough(manager.BrowseButton(), other));
    Pump();
    EXPECT_EQ(Options->FreeAndRunList().Item(1).FileToRun, other);
    EXPECT_EQ(WindowText(manager.ProgramPathEdit()), other);
    EXPECT_EQ(manager.RowText(1), "other.exe");

    // A cancelled dialog changes nothing.
    DialogWatcher cancel("Add Program", [](HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    Click(manager.AddButton());
    Pump();
    EXPECT_TRUE(cancel.Answered());
    EXPECT_EQ(Options->FreeAndRunList().Count(), 2);
    EXPECT_EQ(Options->FreeAndRunList().Item(1).FileToRun, other);
}

TEST_F(ManagerTest, RemovingSelectsTheFirstRemainingRowOrEmptiesTheFields)
{
    struct Case { const char* what; bool deleteKey; };
    for (const Case c : {Case{"the Remove button", false}, Case{"Delete on the list", true}}) {
        SCOPED_TRACE(c.what);
        while (Options->FreeAndRunList().Count()) Options->FreeAndRunList().Remove(&Options->FreeAndRunList().Item(0));
        AddEntry("One", "C:\\one.exe", 100);
        AddEntry("Two", "C:\\two.exe", 200);
        AddEntry("Three", "C:\\three.exe", 300);
        TfrmFreeAndRun& manager = Open();
        const auto remove = [&] {
            if (c.deleteKey)
                PostKey(manager.ListView(), VK_DELETE);
            else
                Click(manager.RemoveButton());
            Pump();
        };
        SelectRow(manager, 1);
        remove();
        EXPECT_EQ(Rows(manager), (std::vector<std::string>{"One", "Three"}));
        EXPECT_EQ(manager.SelectedID(), Options->FreeAndRunList().Item(0).ID) << "the first remaining row";
        EXPECT_EQ(WindowText(manager.NameEdit()), "One");
        remove();
        remove();
        EXPECT_EQ(manager.RowCount(), 0);
        EXPECT_EQ(Options->FreeAndRunList().Count(), 0);
        for (HWND control : {manager.NameEdit(), manager.ScrollBar(), manager.ProgramPathEdit(), manager.BrowseButton()})
            EXPECT_FALSE(::IsWindowEnabled(control));
        EXPECT_EQ(WindowText(manager.NameEdit()), "");
        EXPECT_EQ(WindowText(manager.ProgramPathEdit()), "");
        EXPECT_EQ(SubmenuCaptions(), (std::vector<std::string>{"Manage entries..."}));
        manager.cmdCloseClick();
        Pump();
    }
}

TEST_F(ManagerTest, FilesDroppedFromExplorerAreAddedAsAddAddsThem)
{
    AddEntry("Kept", "C:\\kept.exe", 100);
    TfrmFreeAndRun& manager = Open();
    const std::vector<std::string> dropped = {files.Add("a.exe"), files.Add("b.lnk"), files.Folder() + "missing.exe"};
    DropFiles(manager.Handle(), dropped);
    Pump();
    ASSERT_EQ(Options->FreeAndRunList().Count(), 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Options->FreeAndRunList().Item(i + 1).FileToRun, dropped[static_cast<size_t>(i)]);
        EXPECT_EQ(Options->FreeAndRunList().Item(i + 1).MBToFree, TestTotalMB / 2);
    }
    EXPECT_EQ(Rows(manager), (std::vector<std::string>{"Kept", "a.exe", "b", "missing.exe"}));
    EXPECT_EQ(manager.SelectedID(), Options->FreeAndRunList().Item(0).ID) << "the selection stays";
}

// ---- hostile input and many entries

TEST_F(ManagerTest, AThousandEntriesAreListedRemovedAndKeepTheirIconsInBounds)
{
    const std::string program = ThisProgram();
    for (int i = 0; i < MaxFreeAndRunEntries; ++i)
        AddEntry(i % 2 ? "" : "Entry " + std::to_string(i), i % 3 ? program : "C:\\nowhere\\p" + std::to_string(i) + ".exe",
                 i % (TestTotalMB + 5));
    TfrmFreeAndRun& manager = Open();
    ASSERT_EQ(manager.RowCount(), MaxFreeAndRunEntries);
    for (int row : {0, 1, 500, 999}) EXPECT_EQ(manager.RowText(row), DisplayName(Options->FreeAndRunList().Item(row)));
    const int icons = manager.Icons().Count();
    EXPECT_GE(icons, 1);
    EXPECT_LE(icons, 2) << "one icon per file, and one for all missing programs, not one per row";
    for (int i = 0; i < 5; ++i) {
        Options->NotifyChange(ChangeFreeAndRun);
        Pump();
    }
    EXPECT_EQ(manager.Icons().Count(), icons) << "rebuilds add no icons";

    SelectRow(manager, 999);
    Click(manager.RemoveButton());
    Pump();
    EXPECT_EQ(manager.RowCount(), MaxFreeAndRunEntries - 1);
    EXPECT_EQ(manager.SelectedID(), Options->FreeAndRunList().Item(0).ID);
    // Full: a further program is not taken, as a load would not read it back.
    DropFiles(manager.Handle(), {program, program});
    Pump();
    EXPECT_EQ(Options->FreeAndRunList().Count(), MaxFreeAndRunEntries);
    EXPECT_EQ(manager.RowCount(), MaxFreeAndRunEntries);
}

TEST_F(ManagerTest, EntriesWithOddValuesShowWithoutHarm)
{
    struct Case { const char* what; std::string file; int level; int shownLevel; };
    const Case cases[] = {{"no file, level 0", "", 0, 1},
                          {"a level above the total", "C:\\x.exe", TestTotalMB * 3, TestTotalMB},
                          {"a negative level", "C:\\y.exe", -50, 1},
                          {"a path of 5000 characters", "C:\\" + std::string(5000, 'd') + ".exe", 700, 700}};
    for (const Case& c : cases) AddEntry("", c.file, c.level);
    TfrmFreeAndRun& manager = Open();
    ASSERT_EQ(manager.RowCount(), 4);
    for (int i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        SelectRow(manager, i);
        EXPECT_EQ(WindowText(manager.ProgramPathEdit()).size(), std::min<size_t>(c.file.size(), 1023));
        EXPECT_EQ(Options->FreeAndRunList().Item(i).MBToFree, c.shownLevel) << "the level is clamped once shown";
    }
}

TEST_F(ManagerTest, OpeningAndClosingTheManagerKeepsNothingBehind)
{
    // Rows with the shell's icons of real files, of a missing one and none.
    AddEntry("This test", ThisProgram(), 1000);
    AddEntry("", files.Add("tool.exe"), 500);
    AddEntry("", "C:\\nowhere\\gone.lnk", 1);
    AddEntry("", "", 0);
    // No engine: its tray icons draw on every sample and would blur the
    // count. A window of the test's stands in as the owner.
    toolkit::MessageWindow owner;
    const auto openAndClose = [&](int i) {
        auto manager = std::make_unique<TfrmFreeAndRun>(owner.Handle());
        manager->LoadSkinFile(DefaultSkinPath());
        manager->Show();
        Pump();
        ::UpdateWindow(manager->Handle());
        ::UpdateWindow(manager->ListView());  // the rows' icons are fetched for the paint
        SelectRow(*manager, i % 4);
        if (i % 2)
            Click(manager->CloseButton());
        else
            ::PostMessageA(manager->Handle(), WM_CLOSE, 0, 0);
        Pump();
        ASSERT_FALSE(manager->Exists());
    };
    // What a process makes once (the shell's icon caches, the system's
    // own objects of each control state) is made first, in every variant.
    for (int i = 0; i < 4; ++i) openAndClose(i);
    constexpr size_t Headroom = 600;
    ScarceDrawingObjects scarce(Headroom);
    ASSERT_GT(scarce.Total(), Headroom) << "Wine limits drawing objects";
    const robusttest::HeldObjects before = robusttest::CountHeldObjects();
    for (int i = 4; i < 204; ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        openAndClose(i);
        if (HasFatalFailure()) return;
    }
    const robusttest::HeldObjects after = robusttest::CountHeldObjects();
    EXPECT_EQ(after.FreeDrawing, before.FreeDrawing) << "drawing objects left behind";
    EXPECT_EQ(after.FreeUser, before.FreeUser) << "USER objects (icons, windows) left behind";
    EXPECT_EQ(after.Windows, before.Windows) << "windows left behind";
}

// ---- with launches and the end of the program

TEST_F(ManagerTest, ALaunchAndTheManagerDoNotDisturbEachOther)
{
    std::vector<std::string> started;
    world.OpenProgram = [&](const std::string& file) { started.push_back(file); };
    world.HoldWorkers = true;
    AddEntry("Editor", "C:\\Tools\\editor.exe", 1000);
    AddEntry("Game", "C:\\Games\\game.exe", 1000);
    StartEngine();
    const int editorId = Options->FreeAndRunList().Item(0).ID;
    engine->RunCommand(cmdFirstFreeAndRunEntry + static_cast<UINT>(editorId));
    ASSERT_NE(engine->LaunchWindow(), nullptr) << "the launch runs";

    // Opened during the launch, the editor's entry removed from it.
    TfrmFreeAndRun& manager = Open();
    EXPECT_EQ(manager.RowCount(), 2);
    Click(manager.RemoveButton());
    Pump();
    EXPECT_EQ(Rows(manager), std::vector<std::string>{"Game"});
    EXPECT_EQ(engine->LaunchWindow()->FileToRun(), "C:\\Tools\\editor.exe") << "the launch keeps its own copy";

    world.ReleaseHeld = true;
    ASSERT_TRUE(PumpUntil([&] { return engine->LaunchWindow() == nullptr; }));
    EXPECT_EQ(started, std::vector<std::string>{"C:\\Tools\\editor.exe"}) << "the launched program, and only it";
    EXPECT_TRUE(::IsWindowVisible(manager.Handle()));
    EXPECT_EQ(SubmenuCaptions(), (std::vector<std::string>{"Manage entries...", "", "Game"}));
}

TEST_F(ManagerTest, TheProgramEndsWhileTheManagerIsOpenAndSavesTheTypedName)
{
    AddEntry("", "C:\\Tools\\editor.exe", 1000);
    TfrmFreeAndRun& manager = Open();
    const HWND window = manager.Handle();
    ::SetForegroundWindow(window);
    ::SetFocus(manager.NameEdit());
    TypeText(L"Typed");
    ASSERT_TRUE(PumpUntil([] { return Options->FreeAndRunList().Item(0).Name == "Typed"; }));

    ::PostMessageA(engine->Handle(), WM_ENGINE_QUIT, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !engine->Exists(); }));
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(ReadRegString(key.Path(), "1farName", ""), "Typed");
    EXPECT_EQ(ReadRegString(key.Path(), "1farFileToRun", ""), "C:\\Tools\\editor.exe");
}

TEST_F(ManagerTest, TheProgramEndsWhileTheFileDialogIsOpen)
{
    struct Case { const char* what; bool browse; };
    for (const Case c : {Case{"the dialog of Add", false}, Case{"the dialog of \"...\"", true}}) {
        SCOPED_TRACE(c.what);
        engine.reset();
        while (Options->FreeAndRunList().Count()) Options->FreeAndRunList().Remove(&Options->FreeAndRunList().Item(0));
        AddEntry("", "C:\\Tools\\editor.exe", 1000);
        TfrmFreeAndRun& manager = Open();
        const HWND window = manager.Handle();
        ::SendMessageA(manager.NameEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Before the end"));
        Pump();

        // While the dialog shows, "quit" arrives as from a second start.
        const HWND engineWindow = engine->Handle();
        HWND seenDialog = nullptr;
        DialogWatcher quit("Add Program", [&](HWND dialog) {
            seenDialog = dialog;
            ::PostMessageA(engineWindow, WM_ENGINE_QUIT, 0, 0);
        });
        Click(c.browse ? manager.BrowseButton() : manager.AddButton());
        // The click returns once the dialog's loop has ended.
        EXPECT_TRUE(quit.Answered());
        EXPECT_FALSE(::IsWindow(seenDialog)) << "the dialog ended itself";
        ASSERT_TRUE(PumpUntil([&] { return !engine->Exists() && !::IsWindow(window); }));
        EXPECT_TRUE(DialogsOfProcess().empty());
        EXPECT_EQ(Options->FreeAndRunList().Count(), 1) << "nothing added by the cancelled dialog";
        EXPECT_EQ(ReadRegString(key.Path(), "1farName", ""), "Before the end");
    }
}
