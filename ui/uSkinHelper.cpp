#include "ui/uSkinHelper.h"

#include <algorithm>
#include <climits>
#include <exception>

#include "toolkit/Error.h"
#include "toolkit/WideText.h"

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void RefreshElement(skin::ISkinObject* object)
{
    if (auto* element = dynamic_cast<skin::ISkinElement*>(object)) element->Refresh();
}

std::string Quoted(const std::wstring& name)
{
    return "\"" + toolkit::AnsiFromWide(name) + "\"";
}

// Sum of all step durations of one animation. A hostile skin cannot make it
// wrap: negative steps count as 0 and the sum stops at INT_MAX.
long long AnimationLength(skin::ISkinAnimations& animations, int index)
{
    long long total = 0;
    const int steps = animations.StepCount(index);
    for (int step = 0; step < steps; ++step) {
        total += std::max(0, animations.GetStep(index, step).durationMs);
        if (total >= INT_MAX) return INT_MAX;
    }
    return total;
}

long long PlayNamed(skin::ISkinObject& element, const std::wstring& name)
{
    long long longest = 0;
    if (auto* animations = dynamic_cast<skin::ISkinAnimations*>(&element)) {
        const int count = animations->AnimationCount();
        for (int index = 0; index < count; ++index) {
            if (animations->AnimationName(index) != name) continue;
            longest = std::max(longest, AnimationLength(*animations, index));
            animations->Play(index);
        }
    }
    const int children = element.ChildCount();
    for (int index = 0; index < children; ++index) {
        if (skin::ISkinObject* child = element.GetChild(index)) longest = std::max(longest, PlayNamed(*child, name));
    }
    return longest;
}

}  // namespace

skin::ISkinObject* FindElement(skin::ISkinObject* root, const std::wstring& name)
{
    if (!root) return nullptr;
    return root->FindObject(name);
}

skin::SkinColor InvertColor(const skin::SkinColor& color)
{
    return skin::SkinColor{uint8_t(255 - color.b0), uint8_t(255 - color.b1), uint8_t(255 - color.b2)};
}

void AddLookSuffix(skin::ISkinButton& button, const std::wstring& suffix, bool invertColor)
{
    for (int state = 1; state <= 3; ++state) {
        skin::SkinButtonState value = button.GetState(state);
        std::wstring& section = value.Section.Name;
        // A name no longer than the suffix is the suffix at most, never a
        // suffixed name: "_pressed" alone is a plain section.
        if (section.size() <= suffix.size() || !EndsWith(section, suffix)) {
            section += suffix;
            if (invertColor) value.Color = InvertColor(value.Color);
            button.SetState(state, value);
        }
    }
}

void RemoveLookSuffix(skin::ISkinButton& button, const std::wstring& suffix, bool invertColor)
{
    for (int state = 1; state <= 3; ++state) {
        skin::SkinButtonState value = button.GetState(state);
        std::wstring& section = value.Section.Name;
        if (section.size() > suffix.size() && EndsWith(section, suffix)) {
            section.resize(section.size() - suffix.size());
            if (invertColor) value.Color = InvertColor(value.Color);
            button.SetState(state, value);
        }
    }
}

void SetStaticText(skin::ISkinObject* root, const std::wstring& name, const std::wstring& text)
{
    try {
        if (auto* element = dynamic_cast<skin::ISkinStatic*>(FindElement(root, name))) {
            element->SetText(text);
            RefreshElement(element);
        }
    } catch (const std::exception&) {
        // A skin without this text simply does not show it.
    }
}

void SetButtonText(skin::ISkinObject* root, const std::wstring& name, const std::wstring& text)
{
    try {
        if (auto* element = dynamic_cast<skin::ISkinButton*>(FindElement(root, name))) {
            element->SetText(text);
            RefreshElement(element);
        }
    } catch (const std::exception&) {
        // As for statics.
    }
}

uint32_t ReadElementColor(skin::ISkinObject* element, uint32_t fallback)
{
    try {
        if (auto* colored = dynamic_cast<skin::ISkinStatic*>(element)) return skin::ColorValue(colored->GetColor());
    } catch (const std::exception&) {
        // A static without a colour keeps the caller's.
    }
    return fallback;
}

void PlaceOverElement(HWND control, skin::ISkinObject* root, const std::wstring& name)
{
    skin::ISkinObject* found = FindElement(root, name);
    if (!found) throw skin::SkinError("The skin has no element " + Quoted(name) + ".");
    auto* element = dynamic_cast<skin::ISkinElement*>(found);
    if (!element) throw skin::SkinError("The skin element " + Quoted(name) + " has no place in the window.");
    const RECT rect = element->GetRect(root);
    const int width = std::max(0L, rect.right - rect.left);
    const int height = std::max(0L, rect.bottom - rect.top);
    if (!::SetWindowPos(control, nullptr, rect.left, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE))
        throw toolkit::Error("A control cannot be placed over the skin element " + Quoted(name) + ".");
}

int StartNamedAnimation(skin::ISkinObject* element, const std::wstring& name)
{
    if (!element) return 0;
    return static_cast<int>(PlayNamed(*element, name));
}
