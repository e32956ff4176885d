// The main window's pages and what the user does to the skin: page changes
// run as animation batches from the 250 ms timer, clicks become actions by
// the clicked element's ID, and context help shows an element's popup text.
#include "ui/fMainForm.h"

#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "engine/uWindowHandles.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uOptionTable.h"
#include "toolkit/WideText.h"
#include "ui/uKalvoraSkinHelper.h"
#include "ui/uSkinHelper.h"
#include "ui/uSkinNames.h"

#include <algorithm>
#include <array>
#include <exception>

namespace {

// The animations wait in whole timer ticks.
constexpr int TickMs = 250;

struct TPageRow {
    int32_t ButtonID;      // the button that shows the page is open; 0: none
    const wchar_t* Stem;   // "<stem>_show", "<stem>_hide"; nullptr: no animations
    bool IdleOptions;      // the page shows the shared idle options as well
    const char* HelpTopic;
};

// By CurrentPage. The about page is opened by "about" but shows no button as
// pressed.
constexpr std::array<TPageRow, 8> Pages{{
    {0, nullptr, false, "overview.htm"},
    {103, L"manual", false, "manual.htm"},
    {104, L"regular", true, "regular.htm"},
    {105, L"critical", true, "critical.htm"},
    {107, L"startup", true, "startup.htm"},
    {106, L"monitor", false, "monitor.htm"},
    {0, L"about", false, "overview.htm"},
    {113, L"misc", false, "misc.htm"},
}};

// The page's animations of one kind ("_show" or "_hide"): a page with idle
// options runs its own together with the idle options' in one batch.
void QueuePageRequests(TSkinAnimationList& animations, const TPageRow& page, const std::wstring& suffix)
{
    if (!page.Stem) return;
    animations.Add(page.Stem + suffix, page.IdleOptions);
    if (page.IdleOptions) animations.Add(L"idle" + suffix, false);
}

}  // namespace

void TfrmMain::TogglePage(int page) { ShowPage(page == CurrentPage_ ? 0 : page); }

void TfrmMain::ShowPage(int page)
{
    if (Animating_ || page == CurrentPage_ || page < 0 || page >= static_cast<int>(Pages.size())) return;
    // A skin whose page button is no button cannot show the look; the page
    // changes all the same, and the error is told once the change is whole.
    std::exception_ptr lookError;
    const TPageRow& closing = Pages[static_cast<size_t>(CurrentPage_)];
    QueuePageRequests(Animations_, closing, L"_hide");
    try {
        ReleaseButton(RootObject_, closing.ButtonID);
    } catch (...) {
        lookError = std::current_exception();
    }
    CurrentPage_ = page;
    Animations_.Add(OptionsRefreshMarker, true);
    const TPageRow& opening = Pages[static_cast<size_t>(page)];
    QueuePageRequests(Animations_, opening, L"_show");
    try {
        PressButton(RootObject_, opening.ButtonID);
    } catch (...) {
        if (!lookError) lookError = std::current_exception();
    }
    if (lookError) std::rethrow_exception(lookError);
}

void TfrmMain::TimerTimer()
{
    if (AnimationWait_ > 0)
        --AnimationWait_;
    else if (Animations_.Empty())
        Animating_ = false;
    else {
        Animating_ = true;
        RunAnimationBatch();
    }
    // Without a status element the text waits for a skin that has one.
    if (!PendingStatus_.empty() && StatusElement_) {
        StatusElement_->SetText(toolkit::WideFromAnsi(PendingStatus_));
        if (auto* element = dynamic_cast<skin::ISkinElement*>(StatusElement_)) element->Refresh();
        PendingStatus_.clear();
    }
}

void TfrmMain::RunAnimationBatch()
{
    int longest = 0;
    while (!Animations_.Empty()) {
        const TSkinAnimation request = Animations_.TakeFirst();
        if (request.Name == OptionsRefreshMarker)
            RefreshFromOptions(ChangeAll);
        else
            longest = std::max(longest, StartNamedAnimation(RootObject_, request.Name));
        if (!request.Chained) break;
    }
    AnimationWait_ = longest / TickMs;
}

void TfrmMain::SkinSkinEvent(skin::ISkinObject* source, const std::wstring& eventName)
{
    const int32_t id = source ? SkinNameToID(source->Name()) : 0;
    if (eventName == L"OnMouseDown") {
        // A press on an element without help of its own, or on the context
        // help button again, cancels context help.
        if (ContextHelpMode_ && (id == 0 || id == 110)) ContextHelpMode_ = false;
    } else if (eventName == L"OnClick") {
        if (SuppressNextClick_) {
            SuppressNextClick_ = false;
            return;
        }
        if (ContextHelpMode_) {
            ContextHelpMode_ = false;
            return;
        }
        ClickAction(id);
    }
}

void TfrmMain::SkinMouseDown(skin::ISkinObject* source)
{
    if (!ContextHelpMode_) return;
    const int32_t id = source ? SkinNameToID(source->Name()) : 0;
    ContextHelpMode_ = false;
    if (id != 0 && id != 110) ShowElementHelp(id);
}

void TfrmMain::SkinMouseUp(skin::ISkinObject* source)
{
    if (!ContextHelpMode_) return;
    ShowElementHelp(source ? SkinNameToID(source->Name()) : 0);
}

void TfrmMain::ClickAction(int32_t id)
{
    switch (id) {
    case 103: TogglePage(1); break;
    case 104: TogglePage(2); break;
    case 105: TogglePage(3); break;
    case 106: TogglePage(5); break;
    case 107: TogglePage(4); break;
    case 108: TogglePage(6); break;
    case 113: TogglePage(7); break;
    case 114:
    case 1204: TogglePage(0); break;
    case 109: ShowPageHelp(); break;
    case 110: ContextHelpMode_ = true; break;
    // The window closes from the queue, after the skin's event has returned.
    case 111: ::PostMessageA(Handle(), WM_CLOSE, 0, 0); break;
    case 303: {
        if (!Options) break;
        const int amount = TotalPhysMB - Options->Manual();
        if (amount > 0 && EngineWindowHandle)
            ::PostMessageA(EngineWindowHandle, WM_ENGINE_FREE, static_cast<WPARAM>(amount), 0);
        break;
    }
    // The skin is never replaced inside its own event.
    case 501: ::PostMessageA(Handle(), WM_SWITCH_SKIN, 0, 0); break;
    default:
        // Presets, hotkeys, switches, tray icon choices, default settings.
        SettingsClickAction(id);
        break;
    }
}

void TfrmMain::ShowElementHelp(int32_t id)
{
    ContextHelpMode_ = false;
    const std::wstring name = SkinIDToName(id);
    ContextPopupRequest request;
    if (name.empty()) {
        request.AtCursor = true;
        ShowContextPopup(request);
        return;
    }
    request.ContextNumber = static_cast<uint32_t>(id);
    skin::ISkinObject* found = FindElement(RootObject_, name);
    // The press that asked for a button's help must not also click it.
    if (dynamic_cast<skin::ISkinButton*>(found)) SuppressNextClick_ = true;
    if (auto* element = dynamic_cast<skin::ISkinElement*>(found)) {
        const RECT rect = element->GetRect(RootObject_);
        POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
        ::MapWindowPoints(Handle(), HWND_DESKTOP, corners, 2);
        request.At = POINT{(corners[0].x + corners[1].x) / 2, corners[1].y + 10};
    } else {
        request.AtCursor = true;
    }
    ShowContextPopup(request);
}

void TfrmMain::ShowContextPopup(const ContextPopupRequest& request)
{
    if (OnContextPopup) {
        OnContextPopup(request);
        return;
    }
    RunNested([&] {
        if (request.AtCursor)
            HTMLHelp_.ShowContextPopup(request.ContextNumber);
        else
            HTMLHelp_.ShowContextPopupAt(request.ContextNumber, request.At.x, request.At.y);
    });
}

void TfrmMain::ShowPageHelp()
{
    const char* topic = Pages[static_cast<size_t>(std::clamp(CurrentPage_, 0, 7))].HelpTopic;
    RunNested([&] {
        if (HTMLHelp_.HelpAvailable()) HTMLHelp_.ShowTopic(topic);
    });
}
