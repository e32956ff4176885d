#include "ui/fAskDefaults.h"

#include "ui/fSkinnedControls.h"

namespace {
constexpr wchar_t ExplainText[] =
    L"Do you like Kalvora Professional to automatically adjust all values to good settings for your computer?";
}  // namespace

TfrmAskDefaults::TfrmAskDefaults(HWND owner)
    : TfrmSkinned(owner, Layout{AskDefaultsCaption, AskDefaultsClientWidth, AskDefaultsClientHeight, false})
{
    CreateExplanation(lblExplain_, 44);

    // Yes answers as the default button (IDOK, which Enter presses), No as
    // the cancel button (IDCANCEL, which Esc and the close box give).
    cmdYes_ = CreateDialogButton(Handle(), "", RECT{AskDefaultsClientWidth - 166, 65, AskDefaultsClientWidth - 91, 90},
                                 IDOK, DialogFont());
    cmdNo_ = CreateDialogButton(Handle(), "", RECT{AskDefaultsClientWidth - 83, 65, AskDefaultsClientWidth - 8, 90},
                                IDCANCEL, DialogFont());
    FormCreate();
}

void TfrmAskDefaults::FormCreate()
{
    ::SetWindowTextA(Handle(), AskDefaultsCaption);
    ::SetWindowTextA(cmdYes_, "Yes");
    ::SetWindowTextA(cmdNo_, "No");
    lblExplain_.SetCaption(ExplainText);
}

LRESULT TfrmAskDefaults::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
        switch (LOWORD(wParam)) {
        case IDOK: EndModal(IDYES); return 0;
        case IDCANCEL: EndModal(IDNO); return 0;
        default: break;
        }
    }
    return TfrmSkinned::HandleMessage(message, wParam, lParam);
}
