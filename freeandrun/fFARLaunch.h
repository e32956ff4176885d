#pragma once
// The small borderless window that shows a free-and-run launch: which program
// is about to start, and how far the free-up before it has come.
#include "toolkit/Handles.h"
#include "toolkit/Window.h"

#include <string>

class TFreeAndRunItem;

class TfrmFARLaunch : public toolkit::Window {
public:
    // Keeps its own copy of what it launches: the list may change meanwhile.
    explicit TfrmFARLaunch(const TFreeAndRunItem& entry);

    const std::string& FileToRun() const { return fileToRun_; }
    const std::string& LaunchingText() const { return lblLaunching_; }
    const std::string& StatusText() const { return lblStatus_; }

    void SetStatusText(const std::string& text);
    void ShowWindow();     // not modal, not activated
    void RepaintNow();     // the new status is seen before the shell starts the program

    static constexpr int ClientWidth = 322;
    static constexpr int ClientHeight = 83;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);

    std::string fileToRun_;
    std::string lblLaunching_;
    std::string lblStatus_;
    toolkit::UniqueFont launchingFont_;
    toolkit::UniqueFont statusFont_;
};
