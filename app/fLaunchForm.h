#pragma once
// The invisible start-up window: the application's main window for the whole
// life of the process. It finishes start-up from inside the message loop
// (the "quit" word, the single-instance rule, the engine) and its closing
// ends the program.
#include "toolkit/Window.h"

#include <memory>
#include <string>

class TfrmEngine;

class TfrmLaunch : public toolkit::Window {
public:
    explicit TfrmLaunch(std::string firstArgument);
    ~TfrmLaunch() override;

    // True once an engine was created: only such a process has settings of
    // its own to keep.
    bool EngineStarted() const { return engineStarted_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void LaunchContinue();

    std::string firstArgument_;
    std::unique_ptr<TfrmEngine> engine_;
    bool engineStarted_ = false;
};
