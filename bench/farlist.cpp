// The free-and-run manager's list: how long one rebuild of 1000 rows takes,
// from the options message to the list painted, for lists of three kinds: every
// entry the same real program (one shell icon for all), 1000 different files
// that exist, and 1000 paths to nothing. The first rebuild asks the shell for
// the icons of the rows in view; later ones find them in the window's image
// list. Prints the
// first rebuild and the median of the next ones, one line per kind.
//   bench_farlist [rebuilds]   (default 20)
#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "freeandrun/fFreeAndRun.h"
#include "settings/uKalvoraOptions.h"
#include "toolkit/Application.h"
#include "toolkit/MessageWindow.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Rows = 1000;
// A key of the benchmark's own: the user's settings are not touched.
constexpr char BenchSubKey[] = "Software\\KalvoraBench\\FarList";

const char* Arch() { return sizeof(void*) == 8 ? "x86_64" : "i686"; }

std::string ThisProgram()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof(temp), temp);
    return std::string(temp) + "KalvoraFarListBench\\";
}

struct TKind {
    const char* what;
    std::vector<std::string> files;
};

// One rebuild: the message the options post, handled by the window, and the
// list's paint that follows it (with the icons of the rows in view).
double Rebuild(TfrmFreeAndRun& manager)
{
    const auto start = Clock::now();
    ::SendMessageA(manager.Handle(), WM_OPTIONS_CHANGED, ChangeFreeAndRun, 0);
    ::UpdateWindow(manager.ListView());
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    toolkit::Application::Instance().ProcessMessages();
    return elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    const int rebuilds = std::max(2, argc > 1 ? std::atoi(argv[1]) : 20);
    InitMemoryFigures();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, BenchSubKey);
    Options = std::make_unique<TKalvoraOptions>(std::string("HKEY_CURRENT_USER\\") + BenchSubKey);

    const std::string folder = TempFolder();
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<TKind> kinds = {{"one real program", {}}, {"1000 files that exist", {}}, {"1000 paths to nothing", {}}};
    for (int i = 0; i < Rows; ++i) {
        kinds[0].files.push_back(ThisProgram());
        const std::string file = folder + "program" + std::to_string(i) + ".exe";
        std::ofstream(file, std::ios::binary) << "MZ";
        kinds[1].files.push_back(file);
        kinds[2].files.push_back("C:\\nowhere\\program" + std::to_string(i) + ".exe");
    }

    toolkit::MessageWindow owner;
    int status = 0;
    for (const TKind& kind : kinds) {
        TFreeAndRunList& list = Options->FreeAndRunList();
        while (list.Count()) list.Remove(&list.Item(0));
        for (const std::string& file : kind.files) {
            auto entry = std::make_unique<TFreeAndRunItem>();
            entry->FileToRun = file;
            entry->MBToFree = TotalPhysMB / 2;
            list.Add(std::move(entry));
        }
        // A new window each time: its icon list starts empty.
        auto manager = std::make_unique<TfrmFreeAndRun>(owner.Handle());
        ::ShowWindow(manager->Handle(), SW_SHOWNOACTIVATE);
        // Registering posted the first rebuild: the cold one, timed here
        // instead of from the queue.
        MSG queued{};
        while (::PeekMessageA(&queued, manager->Handle(), WM_OPTIONS_CHANGED, WM_OPTIONS_CHANGED, PM_REMOVE)) {
        }
        const double cold = Rebuild(*manager);
        std::vector<double> warm;
        for (int i = 1; i < rebuilds; ++i) warm.push_back(Rebuild(*manager));
        std::sort(warm.begin(), warm.end());
        const double median = warm[warm.size() / 2];
        if (manager->RowCount() != Rows) {
            std::printf("farlist %s, %s: %d rows instead of %d\n", Arch(), kind.what, manager->RowCount(), Rows);
            status = 1;
        } else {
            std::printf("farlist %s, %s: first rebuild of %d rows %.1f ms, then %.1f ms (median of %d), %d icons so far\n",
                        Arch(), kind.what, Rows, cold, median, rebuilds - 1, manager->Icons().Count());
        }
        std::fflush(stdout);
    }

    for (const std::string& file : kinds[1].files) ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(folder.c_str());
    Options.reset();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, BenchSubKey);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KalvoraBench");
    return status;
}
