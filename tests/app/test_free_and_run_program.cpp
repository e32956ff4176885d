// The free-and-run manager of the real program, used as a user uses it: the
// tray menu opens it, a program is added through the real file dialog,
// named and given its level, the window is closed, the tray submenu launches
// the program after its free-up, and the entry is in the registry once the
// program has ended.
#include "tests/app/RunningProgram.h"

#include "engine/uMemoryFigures.h"

#include <atomic>
#include <thread>

namespace program_test {
namespace {

constexpr char ManagerCaption[] = "Free and run menu - manage entries";

// Asked of the window itself: for a control of another process the system's
// own copy of its text is not the edit's text.
std::string TextOf(HWND window)
{
    char text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &copied);
    return text;
}

HWND VisibleWindowOf(DWORD processId, const std::string& className, const std::string& caption)
{
    for (HWND window : TopLevelWindowsOf(processId))
        if (IsWindowVisible(window) && (className.empty() || ClassOf(window) == className) && TextOf(window) == caption)
            return window;
    return nullptr;
}

HWND OpenMenuOf(DWORD processId)
{
    for (HWND window : TopLevelWindowsOf(processId))
        if (ClassOf(window) == "#32768" && IsWindowVisible(window)) return window;
    return nullptr;
}

struct ChildSearch {
    std::string className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM data)
{
    auto& search = *reinterpret_cast<ChildSearch*>(data);
    if (lstrcmpiA(ClassOf(child).c_str(), search.className.c_str()) == 0) search.found.push_back(child);
    return TRUE;
}

// The window's children of a class, in creation (tab) order.
std::vector<HWND> ChildrenOf(HWND parent, const std::string& className)
{
    ChildSearch search{className, {}};
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ButtonOf(HWND parent, const std::string& text)
{
    for (HWND button : ChildrenOf(parent, "Button"))
        if (TextOf(button) == text) return button;
    return nullptr;
}

void PostKey(HWND window, WORD key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

// Opens the tray menu with a right click on the icon and walks it with the
// keyboard: down to "Free and Run", into its submenu, down `entry` items
// past "Manage entries..." (the separator is skipped), Enter.
bool ChooseInFreeAndRunSubmenu(DWORD processId, int entry)
{
    const HWND icon = WaitForTrayIconWindow(processId);
    if (!icon) return false;
    PostMessageA(icon, WM_TRAYICON, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!WaitPumping([&] { return (menu = OpenMenuOf(processId)) != nullptr; }, 10000)) return false;
    const WORD keys[] = {VK_DOWN, VK_DOWN, VK_RIGHT};
    for (WORD key : keys) PostKey(menu, key);
    for (int i = 0; i < entry; ++i) PostKey(menu, VK_DOWN);
    PostKey(menu, VK_RETURN);
    return WaitPumping([&] { return OpenMenuOf(processId) == nullptr; }, 10000);
}

// Answers the program's "Add Program" dialog from a thread of the test's
// own: types the path into its name field and presses Open.
class AddProgramAnswer {
public:
    AddProgramAnswer(DWORD processId, std::string path) : processId_(processId), path_(std::move(path))
    {
        thread_ = std::thread([this] { Run(); });
    }
    ~AddProgramAnswer()
    {
        stop_ = true;
        thread_.join();
    }
    bool Answered() const { return answered_; }

private:
    void Run()
    {
        for (int waited = 0; !stop_ && waited < 30000; waited += 20) {
            if (HWND dialog = VisibleWindowOf(processId_, "#32770", "Add Program")) {
                // The name field: edt1, or the name combo box cmb13.
                HWND field = GetDlgItem(dialog, 0x480);
                if (!field) {
                    if (HWND combo = GetDlgItem(dialog, 0x47C)) {
                        field = FindWindowExA(combo, nullptr, "Edit", nullptr);
                        if (!field) field = combo;
                    }
                }
                if (field) {
                    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
                    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
                    answered_ = true;
                    return;
                }
            }
            Sleep(20);
        }
    }

    DWORD processId_;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
    std::thread thread_;
};

std::string BesideTheTests(const std::string& file)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}

std::string WindowsOf(DWORD processId)
{
    std::string list;
    for (HWND window : TopLevelWindowsOf(processId))
    {
        list += ClassOf(window) + " \"" + TextOf(window) + "\"" + (IsWindowVisible(window) ? " visible" : "") + "; ";
        if (ClassOf(window) == "#32770")
            for (const char* kind : {"Edit", "ComboBox", "ComboBoxEx32", "Button"})
                for (HWND child : ChildrenOf(window, kind))
                    list += std::string(" [") + kind + " " + std::to_string(GetDlgCtrlID(child)) + "]";
    }
    return list;
}

class FreeAndRunProgramTest : public RunningProgramTest {};

}  // namespace

TEST_F(FreeAndRunProgramTest, AProgramAddedInTheManagerIsLaunchedFromTheTrayAndSaved)
{
    InitMemoryFigures();
    const int total = TotalPhysMB;
    // End puts the thumb at its right end, total + 1; each Left takes 1 MB
    // off the level: a launch that frees 16 MB.
    const int lefts = 17;
    const int level = total + 1 - lefts;
    const std::string helper = BesideTheTests("mark_helper.exe");
    const std::string mark = helper + ".mark";
    DeleteFileA(mark.c_str());
    ASSERT_NE(GetFileAttributesA(helper.c_str()), INVALID_FILE_ATTRIBUTES) << "the program to launch is built";

    auto program = StartInstance();
    const DWORD id = program->Id();

    // "Manage entries..." is the submenu's first item.
    ASSERT_TRUE(ChooseInFreeAndRunSubmenu(id, 0)) << "the tray menu did not open or close";
    HWND manager = nullptr;
    ASSERT_TRUE(WaitPumping([&] { return (manager = VisibleWindowOf(id, "", ManagerCaption)) != nullptr; }, 20000))
        << "the manager did not open";
    const HWND add = ButtonOf(manager, "Add");
    const HWND close = ButtonOf(manager, "Close");
    const std::vector<HWND> edits = ChildrenOf(manager, "Edit");
    const std::vector<HWND> bars = ChildrenOf(manager, "ScrollBar");
    ASSERT_NE(add, nullptr);
    ASSERT_NE(close, nullptr);
    ASSERT_EQ(edits.size(), 2u) << "the program path and the name";
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_FALSE(IsWindowEnabled(edits[1])) << "nothing to name yet";

    {
        AddProgramAnswer answer(id, helper);
        PostMessageA(add, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitPumping([&] { return TextOf(edits[0]) == helper; }, 20000))
            << "the new entry is not shown; dialog answered: " << answer.Answered() << "; windows: " << WindowsOf(id);
    }
    EXPECT_TRUE(IsWindowEnabled(edits[1]));
    SendMessageA(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Marker"));
    ASSERT_TRUE(WaitPumping([&] { return TextOf(edits[1]) == "Marker"; }, 5000));
    PostKey(bars[0], VK_END);
    for (int i = 0; i < lefts; ++i) PostKey(bars[0], VK_LEFT);
    PostMessageA(close, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitPumping([&] { return !IsWindow(manager); }, 20000)) << "Close did not close it";

    // The entry is the submenu's second item, after the separator.
    ASSERT_TRUE(ChooseInFreeAndRunSubmenu(id, 1));
    EXPECT_TRUE(WaitPumping([&] { return GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000))
        << "the program was not started";

    const HWND engine = EngineOf(id);
    ASSERT_NE(engine, nullptr);
    PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
    EXPECT_EQ(program->WaitForExit(20000), std::optional<DWORD>(0));

    EXPECT_EQ(ReadDword(OptionsSubKey, "farCount"), 1u);
    EXPECT_EQ(ReadString(OptionsSubKey, "1farName"), std::optional<std::string>("Marker"));
    EXPECT_EQ(ReadString(OptionsSubKey, "1farFileToRun"), std::optional<std::string>(helper));
    EXPECT_EQ(ReadDword(OptionsSubKey, "1farMBToFree"), static_cast<DWORD>(level));
    DeleteFileA(mark.c_str());
}

}  // namespace program_test
