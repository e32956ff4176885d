#pragma once
// Looks of the program's skin elements, addressed by their IDs (uSkinNames).
#include <cstdint>

#include "skin/SkinInterfaces.h"

// Image sections the program gives to the "header" and "about_image" elements.
inline constexpr wchar_t HeaderImageSection[] = L"header_kalvora";
inline constexpr wchar_t LogoImageSection[] = L"logo_kalvora";

// The pressed look marks the chosen button of a group and the open page.
// Nothing happens without root or element; an element of that name that is no
// button throws skin::SkinError, and so does every failure of the skin.
void PressButton(skin::ISkinObject* root, int32_t id);
void ReleaseButton(skin::ISkinObject* root, int32_t id);

// The checked look marks a switched-on option; every failure is ignored.
void CheckElement(skin::ISkinObject* root, int32_t id);
void UncheckElement(skin::ISkinObject* root, int32_t id);

// Shows the program's own pictures in "header" and "about_image"; each
// element's failure is ignored.
void ApplyProductImages(skin::ISkinObject* root);
