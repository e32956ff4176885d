#pragma once
// What the manager tests share: a real engine with the test options (a
// machine of 2000 MB, workers that free nothing), the real default skin, the
// manager opened through the engine's tray command, and real input: keys
// typed with SendInput, the file dialog answered from a thread of the test's
// own, files dropped as Explorer drops them.
#include "engine/uSizeText.h"
#include "freeandrun/fFARLaunch.h"
#include "freeandrun/fFreeAndRun.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/ui/MainWindowTestSupport.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <fstream>

namespace managertest {

using mainwindowtest::ChooseFile;
using mainwindowtest::DefaultSkinPath;
using mainwindowtest::DialogWatcher;
using mainwindowtest::DialogsOfProcess;
using mainwindowtest::FileNameField;
using mainwindowtest::WindowText;

inline RECT BoundsInParent(HWND control)
{
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline SCROLLINFO ScrollInfo(HWND bar)
{
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    ::GetScrollInfo(bar, SB_CTL, &info);
    return info;
}

// A folder of the tests' own with files in it, removed afterwards.
class TestFiles {
public:
    TestFiles()
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + "KalvoraManagerTests\\";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
    }
    ~TestFiles()
    {
        for (const std::string& file : files_) ::DeleteFileA(file.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }
    TestFiles(const TestFiles&) = delete;
    TestFiles& operator=(const TestFiles&) = delete;

    std::string Add(const std::string& name, const std::string& content = "MZ")
    {
        const std::string path = folder_ + name;
        std::ofstream(path, std::ios::binary) << content;
        files_.push_back(path);
        return path;
    }
    // A real shortcut to target, made by the shell's own link object.
    std::string AddShortcut(const std::string& name, const std::string& target)
    {
        const std::string path = folder_ + name;
        const HRESULT init = ::CoInitialize(nullptr);
        IShellLinkA* link = nullptr;
        if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link)))) {
            link->SetPath(target.c_str());
            IPersistFile* file = nullptr;
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
                file->Save(toolkit::WideFromAnsi(path).c_str(), TRUE);
                file->Release();
            }
            link->Release();
        }
        if (SUCCEEDED(init)) ::CoUninitialize();
        files_.push_back(path);
        return path;
    }
    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
    std::vector<std::string> files_;
};

// Types text with the keyboard into whatever has the focus.
inline void TypeText(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = c;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    if (!inputs.empty()) ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline void PressKey(WORD key)
{
    INPUT inputs[2]{};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

// A key as the system hands it to a control: down, then up.
inline void PostKey(HWND control, WORD key)
{
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

// A drop of files as Explorer makes it: a DROPFILES block with the paths,
// posted to the window under the cursor.
inline void DropFiles(HWND target, const std::vector<std::string>& files)
{
    std::string paths;
    for (const std::string& file : files) paths += file + '\0';
    paths += '\0';
    HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + paths.size());
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), paths.data(), paths.size());
    ::GlobalUnlock(memory);
    ::PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

class ManagerTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Options->SetSkin(DefaultSkinPath());
    }

    static TFreeAndRunItem& AddEntry(const std::string& name, const std::string& file, int mb)
    {
        auto entry = std::make_unique<TFreeAndRunItem>();
        entry->Name = name;
        entry->FileToRun = file;
        entry->MBToFree = mb;
        return Options->FreeAndRunList().Add(std::move(entry));
    }

    // The engine and the manager as the tray menu's "Manage entries..."
    // opens it, with its first list handled.
    TfrmFreeAndRun& Open()
    {
        if (!engine) StartEngine();
        engine->RunCommand(cmdEditEntries);
        Pump();
        TfrmFreeAndRun* manager = engine->FindFreeAndRunWindow();
        if (!manager) throw std::runtime_error("the manager did not open");
        return *manager;
    }

    // A button pressed as a click on it presses it.
    static void Click(HWND button) { ::SendMessageA(button, BM_CLICK, 0, 0); }

    // Selects a row as a click on it would.
    static void SelectRow(TfrmFreeAndRun& manager, int row)
    {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(manager.ListView(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        Pump();
    }

    static std::vector<std::string> Rows(const TfrmFreeAndRun& manager)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < manager.RowCount(); ++i) rows.push_back(manager.RowText(i));
        return rows;
    }

    // Presses Add (or "...") and answers the real file dialog with a path
    // typed into its name field.
    static bool ChooseThrough(HWND button, const std::string& path)
    {
        DialogWatcher dialog("Add Program", ChooseFile(path));
        Click(button);
        Pump();
        return dialog.Answered();
    }

    // The captions of the tray's free-and-run submenu.
    std::vector<std::string> SubmenuCaptions() const
    {
        std::vector<std::string> captions;
        HMENU submenu = ::GetSubMenu(engine->IconMenu().Handle(), 2);
        for (int i = 0; submenu && i < ::GetMenuItemCount(submenu); ++i) {
            // Room for the longest name, with some to spare.
            std::vector<char> text(20000, '\0');
            ::GetMenuStringA(submenu, static_cast<UINT>(i), text.data(), static_cast<int>(text.size()) - 1, MF_BYPOSITION);
            captions.push_back(text.data());
        }
        return captions;
    }

    TestFiles files;
};

}  // namespace managertest
