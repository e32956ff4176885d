#include "monitor/uTrayIconResource.h"

namespace {
const char* const FallbackIconName = "KALVORAICON";
}  // namespace

toolkit::UniqueIcon LoadResourceIcon(const std::string& name)
{
    return toolkit::UniqueIcon(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), name.c_str(), IMAGE_ICON,
                                                               TrayIconSize, TrayIconSize, LR_DEFAULTCOLOR)));
}

TTrayIconResource::TTrayIconResource() : TTrayIcon(DeferShow{})
{
    SetIconName(FallbackIconName);
    Show();
}

void TTrayIconResource::SetIconName(const std::string& name)
{
    if (name == iconName_) return;
    iconName_ = name;
    toolkit::UniqueIcon icon = LoadResourceIcon(name);
    if (!icon) icon = LoadResourceIcon(FallbackIconName);
    SetCustomIcon(std::move(icon));
    Refresh(false);
}
