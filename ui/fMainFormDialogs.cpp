// The main window's two small dialogs: the shortcut of a preset, and the
// question whether to apply the automatic settings.
#include "ui/fMainForm.h"

#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "settings/uKalvoraOptions.h"
#include "ui/fAskDefaults.h"
#include "ui/fHotkey2.h"

#include <exception>
#include <memory>

namespace {

// Sends the resume when it goes, whatever ends the dialog: a return, a
// skin error, an exception, or the main window gone during the loop. The
// engine is looked up then, not remembered: it may have gone meanwhile.
class HotkeysSuspended {
public:
    HotkeysSuspended()
    {
        if (EngineWindowHandle) ::SendMessageA(EngineWindowHandle, WM_HOTKEYS_SUSPEND, 0, 0);
    }
    ~HotkeysSuspended()
    {
        if (EngineWindowHandle && ::IsWindow(EngineWindowHandle))
            ::SendMessageA(EngineWindowHandle, WM_HOTKEYS_RESUME, 0, 0);
    }
    HotkeysSuspended(const HotkeysSuspended&) = delete;
    HotkeysSuspended& operator=(const HotkeysSuspended&) = delete;
};

int PresetHotkey(int preset)
{
    switch (preset) {
    case 1: return Options->Hotkey1();
    case 2: return Options->Hotkey2();
    default: return Options->Hotkey3();
    }
}

void SetPresetHotkey(int preset, int code)
{
    switch (preset) {
    case 1: Options->SetHotkey1(code); break;
    case 2: Options->SetHotkey2(code); break;
    default: Options->SetHotkey3(code); break;
    }
}

}  // namespace

bool TfrmMain::RunDialog(TfrmSkinned& dialog, int& result)
{
    result = ModalResultNone;
    // The engine ends the dialog through ActiveDialog when the program has
    // to end; it is cleared before anything else can look at it, unless this
    // window went while the dialog's loop ran.
    const toolkit::LifeWatch alive = Watch();
    return RunNested([&] {
        ActiveDialog_ = &dialog;
        try {
            result = dialog.ShowModal();
        } catch (...) {
            if (alive.Alive()) ActiveDialog_ = nullptr;
            throw;
        }
        if (alive.Alive()) ActiveDialog_ = nullptr;
    });
}

void TfrmMain::DefineHotkey(int preset)
{
    if (preset < 1 || preset > 3 || !Options || ActiveDialog_) return;

    auto dialog = std::make_unique<TfrmHotkey2>(Handle());
    dialog->SetShortCut(PresetHotkey(preset));
    // A registered combination pressed inside the dialog reaches the control
    // instead of starting a free-up. The resume goes when this frame ends,
    // after the dialog, which every way out destroys first.
    const HotkeysSuspended suspended;
    bool shown = false;
    try {
        dialog->LoadSkinFile(Options->SkinFilePath());
        int result = ModalResultNone;
        if (!RunDialog(*dialog, result)) {
            dialog.reset();
            return;  // this window is gone: touch nothing of it
        }
        shown = true;
    } catch (const std::exception&) {
        shown = false;
    }
    if (!shown) {
        // As after Cancel: the stored shortcut stays.
        dialog.reset();
        ShowSkinError(Options->Skin());
        return;
    }
    // The setter notifies only when the code differs.
    if (dialog->Accepted()) SetPresetHotkey(preset, dialog->ShortCut());
    dialog.reset();
}

void TfrmMain::AskAutomaticSettings()
{
    if (!Options || ActiveDialog_) return;
    TfrmAskDefaults dialog(Handle());
    // A skin that cannot be loaded goes to the caller; the dialog goes on
    // the way out and no option changes.
    dialog.LoadSkinFile(Options->SkinFilePath());
    int answer = ModalResultNone;
    if (!RunDialog(dialog, answer)) return;
    if (answer == IDYES && Options) Options->ApplyAutomaticSettings();
}
