#pragma once
// Draws a skin window's element tree onto a canvas.
#include "skin/SkinCanvas.h"
#include "skin/SkinNodes.h"
#include "skin/SkinScrollLayout.h"

namespace skin {

// What the mouse is doing, for the state each element is drawn in.
struct SkinInteraction {
    const SkinNode* hot = nullptr;      // under the mouse
    ScrollPart hotPart = ScrollPart::None;
    const SkinNode* pressed = nullptr;  // the button went down on it
    bool pressedInside = false;         // and the mouse is still over it
    ScrollPart pressedPart = ScrollPart::None;
};

// Redraws everything that touches area.
void PaintScene(SkinCanvas& canvas, const SkinScene& scene, const SkinInteraction& interaction, const RECT& area);

// One picture of the skin inside rect (for tests and the label's background).
void PaintSection(SkinCanvas& canvas, const SkinResources& resources, const std::wstring& section, const RECT& rect, HFONT font);

// Which button state (1 normal, 2 hover, 3 down) a button is drawn in.
int ButtonStateFor(const SkinNode& button, const SkinInteraction& interaction);

}  // namespace skin
