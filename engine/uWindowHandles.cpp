#include "engine/uWindowHandles.h"

HWND LaunchWindowHandle = nullptr;
HWND EngineWindowHandle = nullptr;
