#pragma once
// The element interfaces of a skin. A skin is a tree of named elements; a
// concrete element implements several of these interfaces, and callers move
// between them with dynamic_cast (nullptr: the element does not have that
// interface):
//
//     if (auto* button = dynamic_cast<skin::ISkinButton*>(object)) ...
//
// Every interface derives virtually from ISkinObject, so any interface
// pointer casts to any other one of the same element.
//
// Lifetime: elements belong to the skin (TSkin). Those under GetRootObject
// live until UnloadSkin or the next LoadSkin; those under GetWindowObject
// until RemoveSkin of that window (or until the window is destroyed).
//
// Errors: every operation that cannot do what it is asked (an index out of
// range, a state number other than 1 to 3, a root that does not hold the
// element) throws SkinError. Lookups (FindObject) return nullptr instead.
#include <windows.h>

#include <cstdint>
#include <string>

#include "skin/SkinError.h"

namespace skin {

// A colour as three bytes: b0 blue, b1 green, b2 red.
struct SkinColor {
    uint8_t b0 = 0;
    uint8_t b1 = 0;
    uint8_t b2 = 0;
};

// The 0x00BBGGRR value of a colour (red in the low byte), as COLORREF wants it.
constexpr uint32_t ColorValue(const SkinColor& color)
{
    return uint32_t(color.b2) + uint32_t(color.b1) * 256u + uint32_t(color.b0) * 65536u;
}
constexpr SkinColor ColorFromValue(uint32_t value)
{
    return SkinColor{uint8_t((value >> 16) & 0xFF), uint8_t((value >> 8) & 0xFF), uint8_t(value & 0xFF)};
}
constexpr bool operator==(const SkinColor& a, const SkinColor& b)
{
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2;
}

// Which picture of the skin file an element shows. Name selects the image
// section; a name the skin does not define is looked up again without a
// trailing "_pressed" or "_checked" (see docs/skin-format.md).
struct SkinImageSection {
    std::wstring Name;
    // Where the picture sits relative to the element's rectangle (pixels);
    // the element's text moves with it.
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
};

// One of the three states of a button: 1 normal, 2 under the mouse,
// 3 held down.
struct SkinButtonState {
    SkinImageSection Section;
    SkinColor Color;  // the caption's colour in this state
};

// Every element.
class ISkinObject {
public:
    virtual ~ISkinObject() = default;
    virtual std::wstring Name() const = 0;
    virtual int ChildCount() const = 0;
    // A direct child, index from 0; SkinError when out of range.
    virtual ISkinObject* GetChild(int index) const = 0;
    // The first element of that name below this one (depth first, children
    // in order, not this element itself); nullptr when there is none.
    virtual ISkinObject* FindObject(const std::wstring& name) const = 0;
};

// Every element that has a place in a window.
class ISkinElement : public virtual ISkinObject {
public:
    // Redraws the element (setters redraw as well; Refresh is never wrong).
    virtual void Refresh() = 0;
    // Left, top, right, bottom in the client coordinates of root's window,
    // as the element is shown now (animations included). root must be the
    // element itself or one of its ancestors; nullptr means its window's root.
    virtual RECT GetRect(ISkinObject* root) const = 0;
};

class ISkinButton : public virtual ISkinObject {
public:
    // state: 1, 2 or 3; SkinError otherwise.
    virtual SkinButtonState GetState(int state) const = 0;
    virtual void SetState(int state, const SkinButtonState& value) = 0;
    virtual void SetText(const std::wstring& text) = 0;
    virtual std::wstring GetText() const = 0;
};

class ISkinStatic : public virtual ISkinObject {
public:
    virtual void SetText(const std::wstring& text) = 0;
    virtual std::wstring GetText() const = 0;
    virtual SkinImageSection GetImageSection() const = 0;
    virtual void SetImageSection(const SkinImageSection& section) = 0;
    virtual SkinColor GetColor() const = 0;
};

// Positions run from Min to Max - Page + 1 (Max when Page is 0); every setter
// keeps Position inside that range.
class ISkinScrollBar : public virtual ISkinObject {
public:
    virtual void SetMin(int value) = 0;
    virtual void SetMax(int value) = 0;
    virtual void SetPage(int value) = 0;  // below 0 counts as 0
    virtual void SetStep(int value) = 0;  // below 0 counts as 0
    virtual void SetPosition(int value) = 0;
    virtual int GetMin() const = 0;
    virtual int GetMax() const = 0;
    virtual int GetPage() const = 0;
    virtual int GetStep() const = 0;
    virtual int GetPosition() const = 0;
};

// One step of an animation: over DurationMs the element moves to the offset
// (X, Y) from its place in the skin file and fades to Opacity percent
// (0 hidden .. 100 opaque; -1 keeps the opacity it has).
struct SkinAnimationStep {
    int32_t a = 0;           // X offset
    int32_t b = 0;           // Y offset
    int32_t c = 0;           // opacity, percent
    int32_t durationMs = 0;  // 0: at once
};

// Every element has it; most have no animations (AnimationCount 0).
class ISkinAnimations : public virtual ISkinObject {
public:
    virtual int AnimationCount() const = 0;
    virtual std::wstring AnimationName(int index) const = 0;
    virtual int StepCount(int index) const = 0;
    virtual SkinAnimationStep GetStep(int index, int step) const = 0;
    // Starts the animation; the skin runs it on its own timer. An element
    // that is not in a skinned window takes the animation's end state at once.
    virtual void Play(int index) = 0;
};

// The root element of a skin window.
class ISkinWindow : public virtual ISkinObject {
public:
    virtual SkinColor GetColor() const = 0;  // the window's background colour
};

}  // namespace skin
