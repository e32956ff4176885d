// The engine's side of the main window: created on demand, found again,
// closed from the taskbar, destroyed before the engine goes.
#include "engine/fEngineForm.h"
#include "toolkit/Application.h"
#include "ui/fMainForm.h"

#include <memory>

TfrmMain* TfrmEngine::FindMainWindow()
{
    // A window the user closed is gone; its object goes now, outside its
    // own handlers (a nested loop of the window checks its watch).
    if (MainWindow_ && !MainWindow_->Exists()) MainWindow_.reset();
    return MainWindow_.get();
}

HWND TfrmEngine::MainWindowHandle() const
{
    return MainWindow_ && MainWindow_->Exists() ? MainWindow_->Handle() : nullptr;
}

void TfrmEngine::ShowKalvora()
{
    // A request that comes while the window is being made (from the loop
    // of its skin error box) is answered by that window.
    if (creatingMainWindow_) return;
    if (!FindMainWindow()) {
        // Creation loads the skin and may show its error box, whose loop
        // may end this engine: the new window is ours only if we survive.
        const toolkit::LifeWatch alive = Watch();
        std::unique_ptr<TfrmMain> window;
        creatingMainWindow_ = true;
        try {
            window = std::make_unique<TfrmMain>();
        } catch (...) {
            if (alive.Alive()) creatingMainWindow_ = false;
            throw;
        }
        if (!alive.Alive()) return;
        creatingMainWindow_ = false;
        if (destroyed_ || !window->Exists()) return;  // the engine ended, or the window was closed meanwhile
        MainWindow_ = std::move(window);
    }
    MainWindow_->ShowAndActivate();
    UpdateStatus();
}

void TfrmEngine::DestroyMainWindow() { MainWindow_.reset(); }

bool TfrmEngine::AppMessageHook(MSG& message)
{
    // The main window is the program's taskbar entry.
    const HWND main = MainWindowHandle();
    if (!main || message.hwnd != main) return false;
    if (message.message != WM_SYSCOMMAND || (message.wParam & 0xFFF0) != SC_CLOSE) return false;
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    return true;
}
