#include "toolkit/HandlerErrors.h"

#include "toolkit/DebugOut.h"
#include "toolkit/ErrorBox.h"

#include <windows.h>

#include <set>

namespace toolkit {
namespace {

// Distinct texts remembered; past that every new one is still shown once
// more than needed rather than kept for ever.
constexpr size_t MaxRememberedTexts = 64;

std::set<std::string>& ShownTexts()
{
    static std::set<std::string> shown;
    return shown;
}

bool boxOpen = false;

}  // namespace

void ReportHandlerError(const std::string& text) try {
    std::set<std::string>& shown = ShownTexts();
    if (boxOpen || shown.count(text)) {
        DebugOut("Error: " + text);
        return;
    }
    if (shown.size() == MaxRememberedTexts) shown.clear();
    shown.insert(text);
    boxOpen = true;
    try {
        ShowErrorBox(text);
    } catch (...) {
    }
    boxOpen = false;
} catch (...) {
    // Out of memory even for the bookkeeping: the debug output is all that is left.
    ::OutputDebugStringA("Error: an error could not be reported");
}

}  // namespace toolkit
