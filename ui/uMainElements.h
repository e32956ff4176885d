#pragma once
// The elements of the main window's settings pages, found once when a skin
// is loaded and kept as the interface of their kind. Every reference may be
// none: a skin that lacks an element simply does not show that value.
#include <array>

#include "skin/SkinInterfaces.h"

struct TMainElements {
    skin::ISkinScrollBar* ManualScroll = nullptr;
    skin::ISkinStatic* ManualAmount = nullptr;
    std::array<skin::ISkinStatic*, 3> Presets{};     // "preset1".."preset3"
    std::array<skin::ISkinButton*, 3> SetValues{};   // "set_value1".."set_value3"
    skin::ISkinStatic* IntervallAmount = nullptr;
    skin::ISkinScrollBar* IntervallScroll = nullptr;
    skin::ISkinScrollBar* RegularScroll = nullptr;
    skin::ISkinStatic* RegularAmount = nullptr;
    skin::ISkinScrollBar* RegularAdjustScroll = nullptr;
    skin::ISkinStatic* RegularAdjust = nullptr;
    skin::ISkinScrollBar* CriticalScroll = nullptr;
    skin::ISkinScrollBar* CriticalAdjustScroll = nullptr;
    skin::ISkinStatic* CriticalAmount = nullptr;
    skin::ISkinStatic* CriticalAdjust = nullptr;
    skin::ISkinScrollBar* StartupScroll = nullptr;
    skin::ISkinStatic* StartupAmount = nullptr;
    skin::ISkinScrollBar* StartupAdjustScroll = nullptr;
    skin::ISkinStatic* StartupAdjust = nullptr;
    skin::ISkinStatic* NextRegularText = nullptr;
    skin::ISkinScrollBar* IdleTimeScroll = nullptr;
    skin::ISkinScrollBar* IdleCpuScroll = nullptr;
    skin::ISkinStatic* IdleCpuText = nullptr;
    skin::ISkinStatic* IdleTimeText = nullptr;
};

// The static of that name below root; none when the skin lacks the name, and
// skin::SkinError when the element of that name is no static.
skin::ISkinStatic* FindStaticElement(skin::ISkinObject* root, const wchar_t* name);

// Finds every element below root and gives each scroll bar its range; the
// amount bars reach every level from their Min up to totalMB. An element
// present under one of the names but of another kind throws skin::SkinError,
// and so does every failure of the skin; nothing is kept then.
TMainElements FindMainElements(skin::ISkinObject* root, int totalMB);
