#pragma once
// A tray icon that shows a fixed icon from the program's resources (the
// engine's status icon) instead of a drawing. Starts with "KALVORAICON",
// which is also shown for a name that no icon resource has.
#include "monitor/uTrayIcon.h"

#include <string>

class TTrayIconResource final : public TTrayIcon {
public:
    TTrayIconResource();

    // Loads and shows the named icon; the current name changes nothing.
    void SetIconName(const std::string& name);
    const std::string& IconName() const { return iconName_; }

private:
    std::string iconName_;
};

// The named icon resource of the program at 16 x 16, or none.
toolkit::UniqueIcon LoadResourceIcon(const std::string& name);
