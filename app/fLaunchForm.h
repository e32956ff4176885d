#pragma once
// The invisible start-up window: the application's main window for the whole
// life of the process. It finishes start-up from inside the message loop
// (the "quit" word, the single-instance rule, the engine) and its closing
// ends the program.
#include "toolkit/Window.h"

#include <windows.h>

#include <memory>
#include <string>

class TfrmEngine;
class TInstanceLock;

class TfrmLaunch : public toolkit::Window {
public:
    // The lock outlives the window: it is held until the last save.
    TfrmLaunch(std::string firstArgument, TInstanceLock& instanceLock);
    ~TfrmLaunch() override;

    // True once an engine was created: only such a process has settings of
    // its own to keep.
    bool EngineStarted() const { return engineStarted_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void LaunchContinue();
    void HandOverTimerTimer();
    void StopHandOverWait();
    void StartAsTheInstance();

    std::string firstArgument_;
    TInstanceLock& instanceLock_;
    std::unique_ptr<TfrmEngine> engine_;
    bool engineStarted_ = false;
    bool waitingForHandOver_ = false;
    ULONGLONG handOverDeadline_ = 0;
};
