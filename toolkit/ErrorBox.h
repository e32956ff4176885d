#pragma once
// Shows a failure to the user: a message box with an error icon, captioned
// with the application title. Tests may take the boxes over, so that no
// dialog waits for a click.
#include <windows.h>

#include <functional>
#include <string>

namespace toolkit {

void ShowErrorBox(const std::string& text);
// The same box owned by a window: modal to it, and closed with it.
void ShowErrorBox(const std::string& text, HWND owner);

using ErrorBoxHandler = std::function<void(const std::string& text)>;
void SetErrorBoxHandler(ErrorBoxHandler handler);  // empty: real boxes again

}  // namespace toolkit
