// kalvora.exe's application manifest: the user's own rights without
// virtualisation, the supported Windows versions, and the current common
// controls, which must still work (this test program carries the same
// manifest through the program's resources).
#include "toolkit/Handles.h"
#include "toolkit/Window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <string>

namespace {

std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "kalvora.exe";
}

std::string ManifestOf(const std::string& file)
{
    toolkit::UniqueModule module(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return {};
    HRSRC resource = FindResourceA(module.Get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (!resource) return {};
    HGLOBAL loaded = LoadResource(module.Get(), resource);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return data ? std::string(data, SizeofResource(module.Get(), resource)) : std::string{};
}

// A top-level window that records the buttons clicked in it.
class ButtonHost : public toolkit::Window {
public:
    ButtonHost() { Create(HiddenArgs("ManifestTestHost")); }
    int Clicks = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) ++Clicks;
        return DefaultHandler(message, wParam, lParam);
    }
};

}  // namespace

TEST(Manifest, AsksForTheUsersRightsTheSupportedWindowsAndCommonControls6)
{
    const std::string manifest = ManifestOf(ProgramPath());
    ASSERT_FALSE(manifest.empty()) << "kalvora.exe carries a manifest";
    struct Part {
        const char* what;
        const char* text;
    };
    const Part parts[] = {
        {"no elevation, no virtualisation", "level=\"asInvoker\""},
        {"common controls 6", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""},
        {"Windows 7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
        {"Windows 8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
        {"Windows 8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
        {"Windows 10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
    };
    for (const Part& part : parts) EXPECT_NE(manifest.find(part.text), std::string::npos) << part.what;
    // Scaling is left to Windows for now.
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAwareness"), std::string::npos);
}

TEST(Manifest, TheCurrentCommonControlsAreLoadedAndWork)
{
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_STANDARD_CLASSES | ICC_HOTKEY_CLASS | ICC_LISTVIEW_CLASSES;
    ASSERT_TRUE(InitCommonControlsEx(&init));
    // The side-by-side copy of version 6 is the one loaded (Wine's reports
    // 5.81 from DllGetVersion even there, so the copy is told by its folder).
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, sizeof(path));
    std::string loaded(path);
    for (char& c : loaded) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(loaded.find("\\winsxs\\"), std::string::npos) << path;
    EXPECT_NE(loaded.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << path;

    ButtonHost host;
    HWND button = CreateWindowExA(0, "BUTTON", "Load Skin", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 8, 88, 249, 25,
                                  host.Handle(), reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(host.Clicks, 1);
    HWND hotkey = CreateWindowExA(0, HOTKEY_CLASSA, "", WS_CHILD | WS_VISIBLE, 8, 8, 100, 20, host.Handle(), nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hotkey, nullptr);
    SendMessageA(hotkey, HKM_SETHOTKEY, MAKEWORD('D', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    EXPECT_EQ(LOWORD(SendMessageA(hotkey, HKM_GETHOTKEY, 0, 0)), MAKEWORD('D', HOTKEYF_CONTROL | HOTKEYF_ALT));
}
