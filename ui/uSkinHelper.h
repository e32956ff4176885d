#pragma once
// Helpers over the skin engine's element interfaces that know no element
// names of their own: texts, looks by section suffix, colours, placement and
// animations. Elements are found by name below a root element.
#include <windows.h>

#include <cstdint>
#include <string>

#include "skin/SkinInterfaces.h"

// Section suffixes of the pressed look (radio choices, open page) and of the
// checked look (switched-on options).
inline constexpr wchar_t PressedSuffix[] = L"_pressed";
inline constexpr wchar_t CheckedSuffix[] = L"_checked";

// The element of that name below root; nullptr without root or element.
skin::ISkinObject* FindElement(skin::ISkinObject* root, const std::wstring& name);

// Gives each of the button's three states the look named by suffix: a section
// name not longer than the suffix, or one that does not end in it, gains the
// suffix (and, with invertColor, the inverted colour). Adding twice changes
// nothing more. Errors go to the caller.
void AddLookSuffix(skin::ISkinButton& button, const std::wstring& suffix, bool invertColor);
// The mirror: a name longer than the suffix that ends in it loses it.
void RemoveLookSuffix(skin::ISkinButton& button, const std::wstring& suffix, bool invertColor);

// Each byte becomes 255 minus itself.
skin::SkinColor InvertColor(const skin::SkinColor& color);

// Set the text of the static (or button) of that name and refresh it. A
// missing element, one of another kind and every other failure are ignored.
void SetStaticText(skin::ISkinObject* root, const std::wstring& name, const std::wstring& text);
void SetButtonText(skin::ISkinObject* root, const std::wstring& name, const std::wstring& text);

// The element's colour as 0x00BBGGRR when it is a static with a colour;
// fallback otherwise (also without element).
uint32_t ReadElementColor(skin::ISkinObject* element, uint32_t fallback);

// Moves and sizes the child window control over the element of that name, in
// the client coordinates of root's window. Throws toolkit::Error (SkinError
// for the skin's part) when the element is missing or has no place.
void PlaceOverElement(HWND control, skin::ISkinObject* root, const std::wstring& name);

// Plays every animation of that name on element and on all elements below it
// (the element first, then its children in order, depth first) and returns
// the longest of them in milliseconds: the sum of its steps' durations. 0 with
// no element or no such animation. Errors of the skin go to the caller.
int StartNamedAnimation(skin::ISkinObject* element, const std::wstring& name);
