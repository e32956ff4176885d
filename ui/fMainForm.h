#pragma once
// The main window: the memory history chart and every setting, on the face
// of the skin window "Kalvora" of the current skin file, in pages that the
// skin animates. Without a usable skin it shows a plain view that asks for
// a skin file.
//
// The engine creates it on demand and owns it; closing it destroys the
// window (the program stays in the notification area), and the engine
// deletes the object afterwards. Handlers that run a nested message loop (a
// dialog, a message box, help) check Watch() afterwards: the engine may end
// the program and delete this window while the loop runs. A close that
// arrives during such a loop waits until the loop has returned.
#include "help/uHTMLHelp.h"
#include "monitor/cPChart2.h"
#include "skin/TSkin.h"
#include "toolkit/Handles.h"
#include "toolkit/OpenFileDialog.h"
#include "toolkit/Window.h"
#include "ui/fSkinned.h"
#include "ui/uAnimationList.h"
#include "ui/uMainElements.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Screen position of the last main window destroyed; -1 until then.
extern int32_t RememberedLeft;
extern int32_t RememberedTop;

inline constexpr char MainWindowCaption[] = "Kalvora Professional";
inline constexpr char MainWindowClass[] = "TfrmMain";
// Client size before a skin gives the window its own.
inline constexpr int MainClientWidth = 507;
inline constexpr int MainClientHeight = 307;

class TfrmMain : public toolkit::Window {
public:
    // Creates the window hidden and runs FormCreate (which loads the skin and
    // may show the skin error box).
    TfrmMain();
    ~TfrmMain() override;

    // Shows the window (centred on the screen the first time) and brings it
    // to the front.
    void ShowAndActivate();

    // Called by the engine for every status change; shown at the next tick.
    void SetStatusText(const std::string& text);
    // Called by the engine after every sample.
    void RepaintChart();

    // Read by the engine's tests and the window's own tests.
    int CurrentPage() const { return CurrentPage_; }
    bool SkinLoaded() const { return SkinLoaded_; }
    bool Animating() const { return Animating_; }
    int32_t AnimationWait() const { return AnimationWait_; }
    bool ContextHelpMode() const { return ContextHelpMode_; }
    bool SuppressNextClick() const { return SuppressNextClick_; }
    const std::string& PendingStatus() const { return PendingStatus_; }
    skin::ISkinObject* RootObject() const { return RootObject_; }
    skin::ISkinStatic* StatusElement() const { return StatusElement_; }
    const TMainElements& MainElements() const { return Elements_; }
    const TSkinAnimationList& Animations() const { return Animations_; }
    TPerformanceChart& PerformanceChart() { return PerformanceChart_; }
    THTMLHelp& HTMLHelp() { return HTMLHelp_; }
    toolkit::OpenFileDialog& OpenDialog() { return OpenDialog_; }
    HWND SkinNeededLabel() const { return lblSkinNeeded_; }
    HWND LoadSkinButton() const { return cmdLoadSkin_; }

    // The two dialogs of the settings pages, modal to this window: the
    // shortcut of preset 1..3, and the question about the automatic settings.
    void DefineHotkey(int preset);
    void AskAutomaticSettings();
    // The skinned dialog whose modal loop runs over this window; none
    // otherwise. The engine ends it before it ends the program.
    TfrmSkinned* ActiveDialog() const { return ActiveDialog_; }
    // Asks every loop that runs over this window to end (its skinned
    // dialog as Cancel, the system's file dialog and message boxes it owns
    // as Cancel); true while one still runs. The engine waits for false
    // before it destroys the window.
    bool EndNestedLoops();

    // A popup help request as the window hands it to HTMLHelp: at a screen
    // point, or at the mouse cursor.
    struct ContextPopupRequest {
        uint32_t ContextNumber = 0;
        bool AtCursor = false;
        POINT At{};
    };
    // For tests: takes every popup request instead of HTMLHelp. The help
    // draws the popup in a window of its own from the help file, so this is
    // where a test sees what was asked without one.
    std::function<void(const ContextPopupRequest&)> OnContextPopup;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void FormCreate();
    void FormDestroy();
    void FormClose();
    void FormActivate();
    void TimerTimer();
    void cmdLoadSkinClick();

    bool LoadMainSkin(bool report);
    void ReleaseMainSkin();
    void ShowSkinNeeded();
    void ShowSkinError(const std::string& path);
    void SwitchSkin();
    void TogglePage(int page);
    void ShowPage(int page);
    void RunAnimationBatch();
    void RefreshFromOptions(int changeMask);
    // -- settings pages (fMainFormSettings.cpp) --
    // The actions of the settings elements; false for an ID that is none of them.
    bool SettingsClickAction(int32_t id);
    void ApplyScrollPosition(int32_t id, int position);
    void ShowChartMarkers();
    void ShowPresets();
    void ShowDisplay();
    void ShowRegular();
    void ShowCritical();
    void ShowStartup();
    void ShowIdleOptions(int seconds, int percent, bool enforce);
    // -- end of settings pages --

    void SkinSkinEvent(skin::ISkinObject* source, const std::wstring& eventName);
    void SkinMouseDown(skin::ISkinObject* source);
    void SkinMouseUp(skin::ISkinObject* source);
    void SkinScroll(skin::ISkinObject* source, int newPos);
    void SkinScrollTrack(skin::ISkinObject* source, int newPos);
    void ClickAction(int32_t id);
    void ShowElementHelp(int32_t id);
    void ShowContextPopup(const ContextPopupRequest& request);
    void ShowPageHelp();

    void SetClientSize(int width, int height);
    void CentreOnScreen();
    // Runs loop, which runs a nested message loop. False when this object or
    // its window went away meanwhile: the caller then touches nothing more.
    bool RunNested(const std::function<void()>& loop);
    // Shows the dialog modally as ActiveDialog; the same answer as RunNested.
    bool RunDialog(TfrmSkinned& dialog, int& result);

    // Owned by this object and released when the window goes; the font is
    // the one of every child control, the icons the window's own.
    toolkit::UniqueFont Font_;
    toolkit::UniqueIcon BigIcon_;
    toolkit::UniqueIcon SmallIcon_;

    // Child controls, destroyed with the window.
    HWND lblSkinNeeded_ = nullptr;
    skin::TSkin Skin_;
    TPerformanceChart PerformanceChart_;
    HWND cmdLoadSkin_ = nullptr;
    THTMLHelp HTMLHelp_;
    toolkit::OpenFileDialog OpenDialog_;

    skin::ISkinObject* RootObject_ = nullptr;
    int CurrentPage_ = 0;
    TSkinAnimationList Animations_;
    int32_t AnimationWait_ = 0;
    bool Animating_ = false;
    bool ContextHelpMode_ = false;
    bool SuppressNextClick_ = false;
    bool TrackApplied_ = false;
    skin::ISkinStatic* StatusElement_ = nullptr;
    bool SkinLoaded_ = false;
    bool RestorePosition_ = false;
    std::string PendingStatus_;
    TMainElements Elements_;

    TfrmSkinned* ActiveDialog_ = nullptr;

    bool TimerRunning_ = false;
    bool ShownOnce_ = false;
    int NestedLoops_ = 0;
    bool ClosePending_ = false;
};
