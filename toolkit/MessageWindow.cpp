#include "toolkit/MessageWindow.h"

namespace toolkit {

MessageWindow::MessageWindow(Handler handler, const std::string& caption) : handler_(std::move(handler))
{
    Create(HiddenArgs("KalvoraMessageWindow", caption));
}

LRESULT MessageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!handler_) return DefaultHandler(message, wParam, lParam);
    // The handler may destroy this window's owner, and so this object, in a
    // nested loop: it runs from a copy, and nothing of ours is touched after
    // it unless we are still there.
    const LifeWatch alive = Watch();
    const Handler handler = handler_;
    if (handler(message, wParam, lParam, result)) return result;
    if (!alive.Alive()) return 0;
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace toolkit
