// The engine's side of the free-and-run manager: opened from the tray menu,
// found again, its chart repainted per sample, ended with the engine.
#include "engine/fEngineForm.h"

#include "freeandrun/fFreeAndRun.h"
#include "settings/uKalvoraOptions.h"

#include <exception>
#include <memory>

void TfrmEngine::FreeAndRunWindowDeleter::operator()(TfrmFreeAndRun* window) const { delete window; }

TfrmFreeAndRun* TfrmEngine::FindFreeAndRunWindow()
{
    // A window the user closed is gone; its object goes now, outside its
    // own handlers. One whose file dialog still runs is left alone.
    if (FreeAndRunWindow_ && !FreeAndRunWindow_->Exists() && !FreeAndRunWindow_->InFileDialog())
        FreeAndRunWindow_.reset();
    return FreeAndRunWindow_ && FreeAndRunWindow_->Exists() ? FreeAndRunWindow_.get() : nullptr;
}

void TfrmEngine::mnuEditEntriesClick()
{
    if (!Options || destroyed_) return;
    if (TfrmFreeAndRun* open = FindFreeAndRunWindow()) {
        open->BringUp();
        return;
    }
    // A closed window whose dialog is still ending: nothing new until it is gone.
    if (FreeAndRunWindow_) return;
    std::unique_ptr<TfrmFreeAndRun, FreeAndRunWindowDeleter> window(new TfrmFreeAndRun(Handle()));
    try {
        window->LoadSkinFile(Options->SkinFilePath());
    } catch (const std::exception&) {
        // Without a skin the window shows in its own plain look.
    }
    FreeAndRunWindow_ = std::move(window);
    FreeAndRunWindow_->Show();
}

void TfrmEngine::RepaintFreeAndRunChart()
{
    if (TfrmFreeAndRun* manager = FindFreeAndRunWindow()) manager->RepaintChart();
}

void TfrmEngine::DestroyFreeAndRunWindow()
{
    if (!FreeAndRunWindow_) return;
    if (FreeAndRunWindow_->InFileDialog()) {
        // Its dialog's loop is on the stack: the dialog is ended now, the
        // window closes once that loop has returned, and the object goes
        // with the engine object.
        FreeAndRunWindow_->EndForExit();
        return;
    }
    FreeAndRunWindow_.reset();
}
