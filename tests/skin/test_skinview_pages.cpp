// skinview plays a page change as Kalvora does: the open page's hide, a wait
// for the longest hide in whole 250 ms ticks, then the new page's show. The
// real skinview.exe is started with a small skin and clicked from here; it
// reports each step on its standard output.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/skin/SkinTestFiles.h"
#include "toolkit/Handles.h"

namespace {

constexpr char PagesSkin[] = R"(
image flat { fill = #ffffff }
window Test {
  size = 300 200
  color = #f0f0f0
  button a { rect = 10 10 60 40; text = "A"; normal = flat #000000 }
  button b { rect = 70 10 120 40; text = "B"; normal = flat #000000 }
  panel page_a {
    rect = 10 50 290 190
    visible = no
    animation a_show { step = 0 0 100 0 }
    animation a_hide { step = 0 0 0 600 }
  }
  panel page_b {
    rect = 10 50 290 190
    visible = no
    animation b_show { step = 0 0 100 0 }
  }
}
)";

struct Line {
    std::string text;
    ULONGLONG at;
};

// skinview.exe with its standard output read line by line, each line with
// the time it came.
class RunningSkinview {
public:
    explicit RunningSkinview(const std::wstring& arguments)
    {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!::CreatePipe(&read, &write, &inherit, 0)) return;
        read_.Reset(read);
        toolkit::UniqueKernelHandle writeEnd(write);
        ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        std::wstring command = L"\"" + skintest::ProgramFolder() + L"skinview.exe\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = write;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
            return;
        process_.Reset(info.hProcess);
        toolkit::UniqueKernelHandle thread(info.hThread);
        reader_ = std::thread([this] { ReadLines(); });
    }
    ~RunningSkinview()
    {
        if (process_) {
            ::TerminateProcess(process_.Get(), 1);
            ::WaitForSingleObject(process_.Get(), 10000);
        }
        stop_ = true;
        if (reader_.joinable()) reader_.join();
    }
    RunningSkinview(const RunningSkinview&) = delete;
    RunningSkinview& operator=(const RunningSkinview&) = delete;

    bool Started() const { return static_cast<bool>(process_); }

    // Everything it printed so far, for a failure's message.
    std::string Output()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string all;
        for (const Line& line : lines_) all += line.text + "\n";
        return all;
    }

    // The first line that starts with prefix, waited for up to ms.
    bool WaitFor(const std::string& prefix, Line& found, DWORD ms = 10000)
    {
        const ULONGLONG end = ::GetTickCount64() + ms;
        do {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                for (const Line& line : lines_)
                    if (line.text.rfind(prefix, 0) == 0) {
                        found = line;
                        return true;
                    }
            }
            ::Sleep(10);
        } while (::GetTickCount64() < end);
        return false;
    }

private:
    // Polls, so that it ends when told to even if the pipe stays open.
    void ReadLines()
    {
        std::string pending;
        char buffer[512];
        while (!stop_) {
            DWORD waiting = 0;
            if (!::PeekNamedPipe(read_.Get(), nullptr, 0, nullptr, &waiting, nullptr)) break;
            if (waiting == 0) {
                ::Sleep(5);
                continue;
            }
            DWORD got = 0;
            if (!::ReadFile(read_.Get(), buffer, sizeof(buffer), &got, nullptr) || got == 0) break;
            pending.append(buffer, got);
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                std::string text = pending.substr(0, end);
                if (!text.empty() && text.back() == '\r') text.pop_back();
                pending.erase(0, end + 1);
                std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back({text, ::GetTickCount64()});
            }
        }
    }

    toolkit::UniqueKernelHandle read_;
    toolkit::UniqueKernelHandle process_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
    std::mutex mutex_;
    std::vector<Line> lines_;
};

void ClickAt(HWND window, int x, int y)
{
    const LPARAM point = MAKELPARAM(x, y);
    ::PostMessageA(window, WM_MOUSEMOVE, 0, point);
    ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::PostMessageA(window, WM_LBUTTONUP, 0, point);
}

TEST(SkinviewPages, AChangeHidesWaitsForTheLongestHideInWholeTicksThenShows)
{
    skintest::TempFolder folder;
    folder.Write("pages.skn", PagesSkin);
    RunningSkinview view(L"\"" + folder.Path("pages.skn") + L"\" Test --pos 0 0 --exit-after 30000");
    ASSERT_TRUE(view.Started());
    Line ready, shownA, hiddenA, shownB;
    ASSERT_TRUE(view.WaitFor("ready ", ready)) << "skinview did not come up:\n" << view.Output();
    HWND window = ::FindWindowA("KalvoraSkinView", nullptr);
    ASSERT_NE(window, nullptr);

    ClickAt(window, 35, 25);
    ASSERT_TRUE(view.WaitFor("page show a", shownA)) << "the first page opens at once";
    ClickAt(window, 95, 25);
    ASSERT_TRUE(view.WaitFor("page hide a", hiddenA));
    EXPECT_EQ(hiddenA.text, "page hide a 600");
    ASSERT_TRUE(view.WaitFor("page show b", shownB));
    // 600 ms of hiding are two whole ticks; the show comes on the third.
    EXPECT_GE(shownB.at - hiddenA.at, 600u) << "b was shown before a had been hidden";
}

}  // namespace
