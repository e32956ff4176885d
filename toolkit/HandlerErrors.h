#pragma once
// The last line of defence of every window procedure, timer and message
// hook: an exception must never unwind through the system's frames (a 32-bit
// program would end at once, its settings unsaved). What a handler throws is
// shown in the error box and the program goes on.
//
// Each text is shown once; when it comes again (a sampling failure on the
// 250 ms timer) and while a box is open, it goes to the debug output only, so
// that boxes cannot stack up.
#include <exception>
#include <string>

namespace toolkit {

void ReportHandlerError(const std::string& text);

// Runs f; an exception that leaves it is reported and `fallback` returned.
template <class Result, class F>
Result CatchHandlerErrors(Result fallback, F&& f) noexcept
{
    try {
        return f();
    } catch (const std::exception& error) {
        ReportHandlerError(error.what());
    } catch (...) {
        ReportHandlerError("Unknown error");
    }
    return fallback;
}

}  // namespace toolkit
