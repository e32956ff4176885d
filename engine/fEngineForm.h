#pragma once
// The engine: a window that is never shown, captioned "Memory Engine" so that
// other instances find it. It answers their questions, and closing it ends
// the program: the settings are saved first, and the start-up window is
// closed after it.
#include "toolkit/Window.h"

#include <windows.h>

#include <string>

class TfrmEngine : public toolkit::Window {
public:
    explicit TfrmEngine(std::string firstArgument = {});
    ~TfrmEngine() override;

    // Saves the settings and closes the window; the program then ends.
    void Close();

    // The main window, when one is open (none exists yet).
    HWND MainWindowHandle() const { return nullptr; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCloseQuery();
    void FormDestroy();

    std::string firstArgument_;
    ULONGLONG CreatedAt = 0;  // tick count at creation; a young engine shows no main window
    bool destroyed_ = false;
};
