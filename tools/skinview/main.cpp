// skinview FILE [WINDOW] [options]
// Shows one window of a skin file, prints every element event on standard
// output, and plays animations on request.
//   --play NAME          start the animations NAME once shown (repeatable)
//   --press NAME         show button NAME with its pressed look (repeatable)
//   --checked NAME       show button NAME with its checked look (repeatable)
//   --client W H         client size of the host window (dialogs keep it)
//   --pos X Y            window position (default: centred)
//   --sample-chart       draw a stand-in chart over the element "chart"
//   --sample-dialog      add a label and OK/Cancel buttons, as dialogs have
//   --exit-after MS      close after MS milliseconds
// skinview --check FILE  loads the file and reports whether it is a valid skin
// skinview --check FILE --for kalvora
//                        also reports what Kalvora looks for and does not find
// skinview --names       prints the table of every name Kalvora uses (Markdown)
// skinview --send NAME   asks a running skinview to play the animations NAME
// skinview --quit        closes a running skinview
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "skin/SkinText.h"
#include "skin/TSkin.h"
#include "toolkit/Application.h"
#include "toolkit/WideText.h"
#include "tools/skinview/KalvoraCheck.h"
#include "tools/skinview/KalvoraNamesTable.h"
#include "tools/skinview/SkinViewWindow.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: skinview FILE [WINDOW] [--play NAME]... [--press NAME]... [--checked NAME]...\n"
                 "                [--client W H] [--pos X Y]\n"
                 "                [--sample-chart] [--sample-dialog] [--exit-after MS]\n"
                 "       skinview --check FILE [--for kalvora]\n"
                 "       skinview --names\n"
                 "       skinview --send NAME\n"
                 "       skinview --quit\n");
    return 2;
}

std::vector<std::wstring> Arguments()
{
    int count = 0;
    LPWSTR* raw = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; raw && i < count; ++i) args.emplace_back(raw[i]);
    if (raw) ::LocalFree(raw);
    return args;
}

bool ToInt(const std::wstring& text, int& out)
{
    try {
        std::size_t used = 0;
        out = std::stoi(text, &used);
        return used == text.size();
    } catch (const std::exception&) {
        return false;
    }
}

int Send(const std::wstring& name)
{
    HWND target = ::FindWindowA(skinview::SkinViewWindow::ClassName(), nullptr);
    if (!target) {
        std::fprintf(stderr, "skinview: no skinview window is running\n");
        return 1;
    }
    COPYDATASTRUCT data{0x504C4159, static_cast<DWORD>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(name.data())};
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result) || !result) {
        std::fprintf(stderr, "skinview: the request was not taken\n");
        return 1;
    }
    return 0;
}

int Quit()
{
    HWND target = ::FindWindowA(skinview::SkinViewWindow::ClassName(), nullptr);
    if (!target) return 1;
    ::PostMessageA(target, WM_CLOSE, 0, 0);
    return 0;
}

int Check(const std::wstring& file)
{
    skin::TSkin skin;
    try {
        skin.LoadSkin(file);
    } catch (const skin::SkinError& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    std::printf("valid skin: %d windows\n", skin.GetRootObject()->ChildCount());
    return 0;
}

int CheckForKalvora(const std::wstring& file)
{
    std::vector<skinview::Finding> findings;
    try {
        findings = skinview::CheckSkinFileForKalvora(file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skinview: %s\n", e.what());
        return 1;
    }
    std::wstring shown = file;
    const std::size_t slash = shown.find_last_of(L"\\/");
    if (slash != std::wstring::npos) shown.erase(0, slash + 1);
    int counts[3] = {0, 0, 0};
    for (const skinview::Finding& finding : findings) {
        std::printf("%s\n", skinview::FormatFinding(toolkit::AnsiFromWide(shown), finding).c_str());
        ++counts[static_cast<int>(finding.severity)];
    }
    std::printf("%d errors, %d warnings, %d notes\n", counts[0], counts[1], counts[2]);
    return skinview::HasErrors(findings) ? 1 : 0;
}

}  // namespace

int main()
{
    const std::vector<std::wstring> args = Arguments();
    if (args.empty()) return Usage();
    if (args[0] == L"--check") {
        if (args.size() == 2) return Check(args[1]);
        if (args.size() == 4 && args[2] == L"--for" && args[3] == L"kalvora") return CheckForKalvora(args[1]);
        return Usage();
    }
    if (args[0] == L"--names" && args.size() == 1) {
        std::fputs(skinview::KalvoraNamesTable().c_str(), stdout);
        return 0;
    }
    if (args[0] == L"--send") return args.size() == 2 ? Send(args[1]) : Usage();
    if (args[0] == L"--quit") return args.size() == 1 ? Quit() : Usage();

    skinview::Options options;
    std::vector<std::wstring> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto more = [&](std::size_t n) { return i + n < args.size(); };
        if (a == L"--play" && more(1)) {
            options.play.push_back(args[++i]);
        } else if (a == L"--press" && more(1)) {
            options.press.push_back(args[++i]);
        } else if (a == L"--checked" && more(1)) {
            options.checked.push_back(args[++i]);
        } else if (a == L"--client" && more(2)) {
            if (!ToInt(args[i + 1], options.clientWidth) || !ToInt(args[i + 2], options.clientHeight)) return Usage();
            i += 2;
        } else if (a == L"--pos" && more(2)) {
            if (!ToInt(args[i + 1], options.x) || !ToInt(args[i + 2], options.y)) return Usage();
            i += 2;
        } else if (a == L"--exit-after" && more(1)) {
            if (!ToInt(args[++i], options.exitAfterMs)) return Usage();
        } else if (a == L"--sample-chart") {
            options.sampleChart = true;
        } else if (a == L"--sample-dialog") {
            options.sampleDialog = true;
        } else if (a.size() > 1 && a[0] == L'-') {
            return Usage();
        } else {
            positional.push_back(a);
        }
    }
    if (positional.empty() || positional.size() > 2) return Usage();
    options.file = positional[0];
    if (positional.size() == 2) options.window = positional[1];
    if (options.clientWidth <= 0 || options.clientHeight <= 0 || options.clientWidth > 8192 || options.clientHeight > 8192) return Usage();

    // A bare file name is taken from the current folder.
    wchar_t full[MAX_PATH * 2];
    DWORD length = ::GetFullPathNameW(options.file.c_str(), MAX_PATH * 2, full, nullptr);
    if (length > 0 && length < MAX_PATH * 2) options.file = full;

    try {
        skinview::SkinViewWindow window(options);
        return toolkit::Application::Instance().Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skinview: %s\n", e.what());
        return 1;
    }
}
