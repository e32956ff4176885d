#include "toolkit/DebugOut.h"

#include <windows.h>

#include <atomic>

namespace toolkit {
namespace {
std::atomic<DebugSink> debugSink{nullptr};
}

void DebugOut(const std::string& text)
{
    ::OutputDebugStringA(text.c_str());
    if (DebugSink sink = debugSink.load()) sink(text);
}

void SetDebugSink(DebugSink sink) { debugSink.store(sink); }

}  // namespace toolkit
