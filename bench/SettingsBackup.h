#pragma once
// Keeps the program's settings as they were while a benchmark starts the
// real program: copies HKCU\Software\Orlandek (the settings key and the old
// free-and-run key) and the autostart value "Kalvora Pro" of the Run key
// aside, and puts them back exactly when it goes. A backup that an
// interrupted run left behind is put back first.
class TSettingsBackup {
public:
    TSettingsBackup();
    ~TSettingsBackup();
    TSettingsBackup(const TSettingsBackup&) = delete;
    TSettingsBackup& operator=(const TSettingsBackup&) = delete;

    // False when the settings could not be copied aside; nothing was touched then.
    bool Saved() const { return saved_; }
    // Removes the program's settings, so that its next start is a first start.
    void ClearSettings() const;

private:
    bool saved_ = false;
};
