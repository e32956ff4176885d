// Program entry: process initialisation, the "UNINSTALL" word, the start-up
// window and its message loop, and process finalisation.
#include "app/fLaunchForm.h"
#include "app/uInstanceLock.h"
#include "app/uInstances.h"
#include "engine/uHistories.h"
#include "help/uHTMLHelp.h"
#include "monitor/uCpuUsage.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uKalvoraOptionsInit.h"
#include "settings/uRegistry.h"
#include "toolkit/Application.h"
#include "toolkit/Error.h"
#include "toolkit/ErrorBox.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string FirstArgument() { return __argc > 1 ? __argv[1] : ""; }

// Closes a running instance, lets it save its settings and go, and removes
// the autostart value after it, so that its own save cannot bring the value
// back. Waiting for the process, not a fixed time, holds on a slow machine.
void Uninstall()
{
    CloseRunningInstanceAndWait(10000);
    DeleteRegValue(RunKey, AutostartValueName);  // a missing value is no error
}

int RunProgram(const std::string& firstArgument, TInstanceLock& instanceLock, bool& engineStarted)
{
    if (firstArgument == "UNINSTALL") {
        Uninstall();
        return 0;
    }
    TfrmLaunch launch(firstArgument, instanceLock);
    const int exitCode = toolkit::Application::Instance().Run();
    engineStarted = launch.EngineStarted();
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int exitCode = 0;
    try {
        InitMemoryState();
        CreateCpuSamplers();
        InitOptions();
        // Held from the start-up window's decision to run an engine until
        // after the last save, so that a start waiting for it reads what
        // this process saved.
        TInstanceLock instanceLock;
        bool engineStarted = false;
        exitCode = RunProgram(FirstArgument(), instanceLock, engineStarted);
        // Only a process that ran an engine has settings of its own to keep;
        // one that ended at once ("quit", a second start, "UNINSTALL") must
        // not overwrite what the running instance saved.
        FinishOptions(engineStarted);
    } catch (const std::exception& error) {
        toolkit::ShowErrorBox(error.what());
    }
    FinishMemoryState();
    FinishCpuSamplers();
    ShutdownHtmlHelp();
    return exitCode;
}
