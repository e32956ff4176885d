#include "ui/uMainElements.h"

#include <algorithm>
#include <optional>
#include <string>

#include "toolkit/WideText.h"
#include "ui/uSkinHelper.h"

namespace {

// The element of that name as kind T; none when the skin lacks the name.
template <class T>
T* FindAs(skin::ISkinObject* root, const wchar_t* name, const char* kindName)
{
    skin::ISkinObject* found = FindElement(root, name);
    if (!found) return nullptr;
    T* element = dynamic_cast<T*>(found);
    if (!element)
        throw skin::SkinError("The skin element \"" + toolkit::AnsiFromWide(name) + "\" is no " + kindName + ".");
    return element;
}

skin::ISkinStatic* FindStatic(skin::ISkinObject* root, const wchar_t* name)
{
    return FindAs<skin::ISkinStatic>(root, name, "static");
}
skin::ISkinButton* FindButton(skin::ISkinObject* root, const wchar_t* name)
{
    return FindAs<skin::ISkinButton>(root, name, "button");
}

struct ScrollRange {
    std::optional<int> Min;  // none: the skin's own
    int Max;
    int Page;
    int Step;
};

skin::ISkinScrollBar* FindScroll(skin::ISkinObject* root, const wchar_t* name, const ScrollRange& range)
{
    auto* bar = FindAs<skin::ISkinScrollBar>(root, name, "scroll bar");
    if (!bar) return nullptr;
    if (range.Min) bar->SetMin(*range.Min);
    bar->SetMax(range.Max);
    bar->SetPage(range.Page);
    bar->SetStep(range.Step);
    return bar;
}

}  // namespace

skin::ISkinStatic* FindStaticElement(skin::ISkinObject* root, const wchar_t* name) { return FindStatic(root, name); }

TMainElements FindMainElements(skin::ISkinObject* root, int totalMB)
{
    // A bar over memory levels: the highest position, Max - Page + 1, is the
    // whole memory.
    const int total = std::max(totalMB, 0);
    const ScrollRange levels{std::nullopt, total + total / 20 - 1, total / 20, 1};

    TMainElements e;
    e.ManualScroll = FindScroll(root, L"manual_scroll", levels);
    e.ManualAmount = FindStatic(root, L"manual_amount");
    e.Presets = {FindStatic(root, L"preset1"), FindStatic(root, L"preset2"), FindStatic(root, L"preset3")};
    e.SetValues = {FindButton(root, L"set_value1"), FindButton(root, L"set_value2"), FindButton(root, L"set_value3")};
    e.IntervallAmount = FindStatic(root, L"intervall_amount");
    e.IntervallScroll = FindScroll(root, L"intervall_scroll", {1, 11, 1, 1});
    e.RegularScroll = FindScroll(root, L"regular_scroll", levels);
    e.RegularAmount = FindStatic(root, L"regular_amount");
    e.RegularAdjustScroll = FindScroll(root, L"regular_adjust_scroll", {1, 86, 5, 1});
    e.RegularAdjust = FindStatic(root, L"regular_adjust");
    e.CriticalScroll = FindScroll(root, L"critical_scroll", levels);
    e.CriticalAdjustScroll = FindScroll(root, L"critical_adjust_scroll", levels);
    e.CriticalAmount = FindStatic(root, L"critical_amount");
    e.CriticalAdjust = FindStatic(root, L"critical_adjust");
    e.StartupScroll = FindScroll(root, L"startup_scroll", levels);
    e.StartupAmount = FindStatic(root, L"startup_amount");
    e.StartupAdjustScroll = FindScroll(root, L"startup_adjust_scroll", {0, 129, 10, 1});
    e.StartupAdjust = FindStatic(root, L"startup_adjust");
    e.NextRegularText = FindStatic(root, L"next_regular_text");
    e.IdleTimeScroll = FindScroll(root, L"idletime_scroll", {1, 64, 5, 1});
    e.IdleCpuScroll = FindScroll(root, L"idlecpu_scroll", {1, 109, 10, 1});
    e.IdleCpuText = FindStatic(root, L"idlecpu_text");
    e.IdleTimeText = FindStatic(root, L"idletime_text");
    return e;
}
