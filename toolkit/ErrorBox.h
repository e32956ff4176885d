#pragma once
// Shows a failure to the user: a message box with an error icon, captioned
// with the application title. Tests may take the boxes over, so that no
// dialog waits for a click.
#include <functional>
#include <string>

namespace toolkit {

void ShowErrorBox(const std::string& text);

using ErrorBoxHandler = std::function<void(const std::string& text)>;
void SetErrorBoxHandler(ErrorBoxHandler handler);  // empty: real boxes again

}  // namespace toolkit
