#pragma once
// Diagnostics go only to the system debug output; there is no log file.
#include <string>

namespace toolkit {

// Writes one line to the debug output. Safe to call from any thread.
void DebugOut(const std::string& text);

// Tests (and only tests) may listen to the lines as well. The sink is called
// on the writing thread and must be thread-safe; nullptr removes it.
using DebugSink = void (*)(const std::string& text);
void SetDebugSink(DebugSink sink);

}  // namespace toolkit
