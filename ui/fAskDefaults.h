#pragma once
// The question whether all values should be set to the automatic settings
// for this computer: Yes (Enter) or No (Esc, the close box). ShowModal
// returns IDYES or IDNO.
#include "skin/TSkinLabel.h"
#include "ui/fSkinned.h"

#include <windows.h>

inline constexpr char AskDefaultsCaption[] = "Kalvora Professional";
inline constexpr int AskDefaultsClientWidth = 341;
inline constexpr int AskDefaultsClientHeight = 98;

class TfrmAskDefaults : public TfrmSkinned {
public:
    explicit TfrmAskDefaults(HWND owner);

    HWND YesButton() const { return cmdYes_; }
    HWND NoButton() const { return cmdNo_; }
    const skin::TSkinLabel& ExplainLabel() const { return lblExplain_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();

    skin::TSkinLabel lblExplain_;
    HWND cmdYes_ = nullptr;
    HWND cmdNo_ = nullptr;
};
