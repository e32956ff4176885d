#include "ui/uKalvoraSkinHelper.h"

#include <exception>
#include <string>

#include "toolkit/WideText.h"
#include "ui/uSkinHelper.h"
#include "ui/uSkinNames.h"

namespace {

enum class Look { Add, Remove };

skin::ISkinObject* FindById(skin::ISkinObject* root, int32_t id)
{
    const std::wstring name = SkinIDToName(id);
    if (name.empty()) return nullptr;
    return FindElement(root, name);
}

void ChangePressedLook(skin::ISkinObject* root, int32_t id, Look look)
{
    skin::ISkinObject* found = FindById(root, id);
    if (!found) return;
    auto* button = dynamic_cast<skin::ISkinButton*>(found);
    if (!button)
        throw skin::SkinError("The skin element \"" + toolkit::AnsiFromWide(found->Name()) + "\" is no button.");
    if (look == Look::Add)
        AddLookSuffix(*button, PressedSuffix, true);
    else
        RemoveLookSuffix(*button, PressedSuffix, true);
    if (auto* element = dynamic_cast<skin::ISkinElement*>(found)) element->Refresh();
}

void ChangeCheckedLook(skin::ISkinObject* root, int32_t id, Look look)
{
    try {
        auto* button = dynamic_cast<skin::ISkinButton*>(FindById(root, id));
        if (!button) return;
        if (look == Look::Add)
            AddLookSuffix(*button, CheckedSuffix, false);
        else
            RemoveLookSuffix(*button, CheckedSuffix, false);
        if (auto* element = dynamic_cast<skin::ISkinElement*>(button)) element->Refresh();
    } catch (const std::exception&) {
        // A skin without a checked look shows the option unchanged.
    }
}

void SetImageSectionName(skin::ISkinObject* root, int32_t id, const std::wstring& sectionName)
{
    try {
        auto* image = dynamic_cast<skin::ISkinStatic*>(FindById(root, id));
        if (!image) return;
        skin::SkinImageSection section = image->GetImageSection();
        section.Name = sectionName;
        image->SetImageSection(section);
    } catch (const std::exception&) {
        // The skin's own picture stays.
    }
}

}  // namespace

void PressButton(skin::ISkinObject* root, int32_t id)
{
    ChangePressedLook(root, id, Look::Add);
}

void ReleaseButton(skin::ISkinObject* root, int32_t id)
{
    ChangePressedLook(root, id, Look::Remove);
}

void CheckElement(skin::ISkinObject* root, int32_t id)
{
    ChangeCheckedLook(root, id, Look::Add);
}

void UncheckElement(skin::ISkinObject* root, int32_t id)
{
    ChangeCheckedLook(root, id, Look::Remove);
}

void ApplyProductImages(skin::ISkinObject* root)
{
    SetImageSectionName(root, SkinNameToID(L"header"), HeaderImageSection);
    SetImageSectionName(root, SkinNameToID(L"about_image"), LogoImageSection);
}
