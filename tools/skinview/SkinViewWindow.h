#pragma once
// The window skinview skins: a plain top-level window that reports every
// element event on standard output and plays animations on request.
#include <memory>
#include <string>
#include <vector>

#include "skin/TSkin.h"
#include "skin/TSkinLabel.h"
#include "toolkit/Handles.h"
#include "toolkit/Window.h"
#include "tools/skinview/SampleChart.h"

namespace skinview {

struct Options {
    std::wstring file;
    std::wstring window;  // empty: the skin's default window
    int clientWidth = 455;
    int clientHeight = 370;
    std::vector<std::wstring> play;  // animations to start once shown
    std::vector<std::wstring> press;    // buttons to show with the "_pressed" look
    std::vector<std::wstring> checked;  // buttons to show with the "_checked" look
    bool sampleChart = false;        // a drawn chart over the element "chart"
    bool sampleDialog = false;       // a label and two buttons, as a dialog has
    int exitAfterMs = 0;             // 0: run until closed
    int x = -1, y = -1;              // window position; -1 centres it
};

class SkinViewWindow : public toolkit::Window {
public:
    // Creates, skins and shows the window; throws skin::SkinError or
    // toolkit::Error when that fails.
    explicit SkinViewWindow(const Options& options);
    ~SkinViewWindow() override;

    // Starts every animation of that name in the skinned window; returns the
    // longest duration in ms (0 when there is none).
    int Play(const std::wstring& name);

    static const char* ClassName() { return "KalvoraSkinView"; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Report(const std::wstring& line);
    bool HasAnimation(const std::wstring& name);
    // A click on a page button, played in the program's order: the open
    // page's "_hide", a wait for the longest of it in whole 250 ms ticks,
    // then the new page's "_show" (with "idle_..." for the pages that have
    // the idle options). A second click on the open page closes it.
    void ClickPage(const std::wstring& name);
    void ShowPage(const std::wstring& page);
    void AddSampleDialog();
    // The looks a program gives buttons: every state's section name gains the
    // suffix; the pressed look also inverts the state's colour.
    void GiveLook(const std::wstring& name, const std::wstring& suffix, bool invert);

    Options options_;
    toolkit::UniqueFont dialogFont_;  // outlives the controls that show it
    skin::TSkin skin_;
    SampleChart chart_;
    skin::TSkinLabel label_;
    // Child buttons belong to this window and go with it.
    HWND okButton_ = nullptr;
    HWND cancelButton_ = nullptr;
    std::wstring openPage_;
    std::wstring showing_;  // the page whose "_show" waits for the hide
};

}  // namespace skinview
