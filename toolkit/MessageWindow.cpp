#include "toolkit/MessageWindow.h"

namespace toolkit {

MessageWindow::MessageWindow(Handler handler, const std::string& caption) : handler_(std::move(handler))
{
    Create(HiddenArgs("KalvoraMessageWindow", caption));
}

LRESULT MessageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (handler_ && handler_(message, wParam, lParam, result)) return result;
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace toolkit
