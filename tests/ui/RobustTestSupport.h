#pragma once
// What the main window's long runs share: counts of what the process holds
// that work under Wine, a deterministic mutator of skin texts, and an
// answerer for every dialog the window opens.
//
// Wine counts no handles (GetGuiResources and GetProcessHandleCount answer
// 0). What it does have are fixed tables, and what is left in a table can be
// counted by filling it:
// - drawing objects: about 65 480 per process. The runs hold all of them
//   but a headroom, so that a leak soon leaves the window nothing to draw
//   with, and count exactly what is left of the headroom at the end.
// - USER objects (windows, menus, icons and cursors, hooks, accelerator
//   tables): one table of about 32 700 for all processes of a wineserver.
//   Filling it is counted with menus, which are nothing but an entry, and
//   each entry is given back at once. It is never held full: a window
//   created while it is full makes Wine's server fail an assertion and end,
//   so the count runs only while no dialog thread of the test is looking.
// - windows: those of the thread, top-level and every child, counted
//   exactly.
#include "toolkit/Handles.h"
#include "tests/support/ScarceDrawingObjects.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace robusttest {

// How many drawing objects the process can still create; each is deleted
// again at once.
inline size_t FreeDrawingObjects()
{
    std::vector<toolkit::UniquePen> probe;
    for (;;) {
        toolkit::UniquePen pen(::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(probe.size() & 0xFFFFFF)));
        if (!pen) break;
        probe.push_back(std::move(pen));
    }
    return probe.size();
}

// How many USER objects can still be created on this desktop; each is
// destroyed again at once. No other thread of the process may create a
// window meanwhile.
inline size_t FreeUserObjects()
{
    std::vector<HMENU> probe;
    probe.reserve(40000);
    for (;;) {
        HMENU menu = ::CreatePopupMenu();
        if (!menu) break;
        probe.push_back(menu);
    }
    for (HMENU menu : probe) ::DestroyMenu(menu);
    return probe.size();
}

inline BOOL CALLBACK CountChildWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<size_t*>(count);
    return TRUE;
}

inline BOOL CALLBACK CountThreadWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<size_t*>(count);
    ::EnumChildWindows(window, &CountChildWindow, count);
    return TRUE;
}

// The windows of the calling thread: top-level ones and all below them.
inline size_t WindowsOfThread()
{
    size_t count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CountThreadWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// What the process holds of each table, taken together.
struct HeldObjects {
    size_t FreeDrawing = 0;
    size_t FreeUser = 0;
    size_t Windows = 0;
};
inline HeldObjects CountHeldObjects()
{
    return HeldObjects{FreeDrawingObjects(), FreeUserObjects(), WindowsOfThread()};
}

// Small and deterministic: the same seed gives the same numbers on every
// build (std's distributions may differ between libraries).
class TestRandom {
public:
    explicit TestRandom(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        // splitmix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. bound - 1; 0 for a bound of 0.
    size_t Below(size_t bound) { return bound ? static_cast<size_t>(Next() % bound) : 0; }

private:
    uint64_t state_;
};

// Copies of a skin text with a few faults each, as a careless edit or a
// damaged file would give them: bytes flipped, lines deleted, doubled or
// swapped, numbers changed to edge values, the file cut short.
class SkinMutator {
public:
    SkinMutator(std::string original, uint64_t seed) : original_(std::move(original)), random_(seed) {}

    std::string Next()
    {
        std::string text = original_;
        const size_t faults = 1 + random_.Below(3);
        for (size_t i = 0; i < faults; ++i) MutateOnce(text);
        return text;
    }

private:
    void MutateOnce(std::string& text)
    {
        const size_t kind = random_.Below(100);
        if (kind < 40)
            ChangeNumber(text);
        else if (kind < 60)
            DeleteLine(text);
        else if (kind < 75)
            DuplicateLine(text);
        else if (kind < 88)
            FlipByte(text);
        else if (kind < 96)
            SwapLines(text);
        else
            text.resize(random_.Below(text.size() + 1));
    }

    // The line around a random position: [begin, end) including its '\n'.
    std::pair<size_t, size_t> RandomLine(const std::string& text)
    {
        const size_t at = random_.Below(text.size());
        const size_t previousEnd = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
        const size_t begin = previousEnd == std::string::npos ? 0 : previousEnd + 1;
        const size_t newline = text.find('\n', at);
        const size_t end = newline == std::string::npos ? text.size() : newline + 1;
        return {begin, end};
    }

    void DeleteLine(std::string& text)
    {
        if (text.empty()) return;
        const auto [begin, end] = RandomLine(text);
        text.erase(begin, end - begin);
    }

    void DuplicateLine(std::string& text)
    {
        if (text.empty()) return;
        const auto [begin, end] = RandomLine(text);
        std::string line = text.substr(begin, end - begin);
        if (line.empty() || line.back() != '\n') line += '\n';
        text.insert(end, line);
    }

    void SwapLines(std::string& text)
    {
        if (text.empty()) return;
        auto [firstBegin, firstEnd] = RandomLine(text);
        auto [secondBegin, secondEnd] = RandomLine(text);
        if (firstBegin == secondBegin) return;
        if (secondBegin < firstBegin) {
            std::swap(firstBegin, secondBegin);
            std::swap(firstEnd, secondEnd);
        }
        const std::string first = text.substr(firstBegin, firstEnd - firstBegin);
        const std::string second = text.substr(secondBegin, secondEnd - secondBegin);
        text.replace(secondBegin, second.size(), first);
        text.replace(firstBegin, first.size(), second);
    }

    void FlipByte(std::string& text)
    {
        if (text.empty()) return;
        text[random_.Below(text.size())] ^= static_cast<char>(1u << random_.Below(8));
    }

    static bool IsWordChar(char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '#';
    }

    // A number that stands alone (a size, a coordinate or its offset, a
    // duration, an opacity), not the digits of a colour or a name.
    void ChangeNumber(std::string& text)
    {
        std::vector<std::pair<size_t, size_t>> numbers;
        for (size_t i = 0; i < text.size();) {
            if (text[i] < '0' || text[i] > '9') {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
            const bool alone = (i == 0 || !IsWordChar(text[i - 1])) && (end == text.size() || !IsWordChar(text[end]));
            if (alone) numbers.emplace_back(i, end - i);
            i = end;
        }
        if (numbers.empty()) return;
        const auto [at, length] = numbers[random_.Below(numbers.size())];
        const long long value = std::stoll(text.substr(at, std::min<size_t>(length, 12)));
        static const char* const edges[] = {"0", "1", "-1", "2", "9999", "32767", "32768", "-32768",
                                            "600000", "600001", "2147483647", "99999999999", ""};
        std::string replacement;
        switch (random_.Below(4)) {
        case 0: replacement = std::to_string(value + 1); break;
        case 1: replacement = std::to_string(value * 10); break;
        default: replacement = edges[random_.Below(std::size(edges))]; break;
        }
        text.replace(at, length, replacement);
    }

    std::string original_;
    TestRandom random_;
};

// Answers every dialog of this process from a thread of its own, for as
// long as it lives: a "Load Skin" dialog with the file given last to
// Choose, every other dialog (a box, a dialog a stray click opened) with
// Cancel, so that nothing ever waits for a person.
class DialogAnswerer {
public:
    DialogAnswerer() : thread_([this] { Watch(); }) {}
    ~DialogAnswerer()
    {
        stop_ = true;
        thread_.join();
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    void Choose(const std::string& path)
    {
        std::lock_guard lock(mutex_);
        path_ = path;
    }
    int FilesChosen() const { return filesChosen_; }
    int OthersCancelled() const { return othersCancelled_; }
    std::vector<std::string> OtherCaptions() const
    {
        std::lock_guard lock(mutex_);
        return otherCaptions_;
    }

private:
    static BOOL CALLBACK CollectDialog(HWND window, LPARAM found)
    {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        char className[16] = {};
        ::GetClassNameA(window, className, sizeof(className));
        if (process == ::GetCurrentProcessId() && std::string(className) == "#32770" && ::IsWindowVisible(window))
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
    }

    static HWND FileNameField(HWND dialog)
    {
        if (HWND edit = ::GetDlgItem(dialog, 0x480)) return edit;
        if (HWND combo = ::GetDlgItem(dialog, 0x47C)) {
            if (HWND edit = ::FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
            return combo;
        }
        return nullptr;
    }

    void Answer(HWND dialog)
    {
        char caption[256] = {};
        ::GetWindowTextA(dialog, caption, sizeof(caption));
        if (std::string(caption) == "Load Skin") {
            std::string path;
            {
                std::lock_guard lock(mutex_);
                path = path_;
            }
            ::SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
            ++filesChosen_;
        } else {
            {
                std::lock_guard lock(mutex_);
                otherCaptions_.emplace_back(caption);
            }
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            ++othersCancelled_;
        }
    }

    void Watch()
    {
        // Each dialog is answered once, and again every two seconds while it
        // stays (a dialog that showed a box of its own over the answer).
        std::vector<std::pair<HWND, ULONGLONG>> answered;
        while (!stop_) {
            std::vector<HWND> dialogs;
            ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
            const ULONGLONG now = ::GetTickCount64();
            std::vector<std::pair<HWND, ULONGLONG>> stillThere;
            for (HWND dialog : dialogs) {
                ULONGLONG at = 0;
                for (const auto& [old, when] : answered)
                    if (old == dialog) at = when;
                if (at == 0 || now - at > 2000) {
                    Answer(dialog);
                    at = now;
                }
                stillThere.emplace_back(dialog, at);
            }
            answered = std::move(stillThere);
            ::Sleep(5);  // a thread of the test's own, polling the desktop
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<int> filesChosen_{0};
    std::atomic<int> othersCancelled_{0};
    mutable std::mutex mutex_;
    std::string path_;
    std::vector<std::string> otherCaptions_;
    std::thread thread_;
};

}  // namespace robusttest
