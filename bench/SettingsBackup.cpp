#include "bench/SettingsBackup.h"

#include "toolkit/Handles.h"

#include <windows.h>

#include <string>

namespace {

const char* const VendorKey = "Software\\Orlandek";
const char* const RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const AutostartValue = "Kalvora Pro";
const char* const BackupKey = "Software\\KalvoraBench\\SavedSettings";
const char* const BackupVendorKey = "Software\\KalvoraBench\\SavedSettings\\Orlandek";

bool KeyExists(const char* key)
{
    toolkit::UniqueRegKey opened;
    return RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, opened.Put()) == ERROR_SUCCESS;
}

// Copies the whole tree of from to to (created when missing).
bool CopyTree(const char* from, const char* to)
{
    toolkit::UniqueRegKey source, target;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, from, 0, KEY_READ, source.Put()) != ERROR_SUCCESS) return false;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.Put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegCopyTreeA(source.Get(), nullptr, target.Get()) == ERROR_SUCCESS;
}

bool ReadDword(const char* key, const char* name, DWORD& value)
{
    DWORD size = sizeof(value);
    return RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

// The raw value: its type and bytes, whatever they are.
struct TRawValue {
    DWORD Type = 0;
    std::string Bytes;
};

bool ReadRaw(const char* key, const char* name, TRawValue& value)
{
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.Type, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    value.Bytes.assign(size, '\0');
    return RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.Type, value.Bytes.data(),
                        &size) == ERROR_SUCCESS;
}

void WriteRaw(const char* key, const char* name, const TRawValue& value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, value.Type, value.Bytes.data(), static_cast<DWORD>(value.Bytes.size()));
}

void WriteDword(const char* key, const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof(value));
}

// Puts back what a complete backup holds and removes the backup. A backup
// that was not completed means nothing had been changed yet.
void RestoreBackup()
{
    DWORD complete = 0;
    if (ReadDword(BackupKey, "Complete", complete) && complete == 1) {
        RegDeleteTreeA(HKEY_CURRENT_USER, VendorKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, VendorKey);
        DWORD hadVendor = 0, hadRun = 0;
        if (ReadDword(BackupKey, "HadVendorKey", hadVendor) && hadVendor == 1) CopyTree(BackupVendorKey, VendorKey);
        TRawValue run;
        if (ReadDword(BackupKey, "HadAutostart", hadRun) && hadRun == 1 && ReadRaw(BackupKey, "Autostart", run))
            WriteRaw(RunKey, AutostartValue, run);
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, AutostartValue);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, BackupKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, BackupKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KalvoraBench");  // only when empty
}

}  // namespace

TSettingsBackup::TSettingsBackup()
{
    if (KeyExists(BackupKey)) RestoreBackup();
    const bool hadVendor = KeyExists(VendorKey);
    if (hadVendor && !CopyTree(VendorKey, BackupVendorKey)) {
        RestoreBackup();  // not complete: removes the partial copy only
        return;
    }
    WriteDword(BackupKey, "HadVendorKey", hadVendor ? 1 : 0);
    TRawValue run;
    const bool hadRun = ReadRaw(RunKey, AutostartValue, run);
    if (hadRun) WriteRaw(BackupKey, "Autostart", run);
    WriteDword(BackupKey, "HadAutostart", hadRun ? 1 : 0);
    WriteDword(BackupKey, "Complete", 1);
    saved_ = true;
}

TSettingsBackup::~TSettingsBackup()
{
    if (saved_) RestoreBackup();
}

void TSettingsBackup::ClearSettings() const
{
    if (!saved_) return;
    RegDeleteTreeA(HKEY_CURRENT_USER, VendorKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, VendorKey);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, AutostartValue);
}
