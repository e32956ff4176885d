#pragma once
// The user's free-and-run entries: a program or shortcut to start, an optional
// display name, and the free-up level to reach before starting it. Stored in
// the options key as "farCount", "farMigrated" and 1farName, 1farFileToRun,
// 1farMBToFree, 2farName ...; entries of the older format are imported once.
#include <memory>
#include <string>
#include <vector>

// The older format's key; deleted by the first save that holds its entries.
inline const char* const OldFreeAndRunKey = "HKEY_CURRENT_USER\\Software\\Orlandek\\Kalvora Pro\\Free And Run 4";

// Amounts in MB of the older format, addressed by the stored index 0..48.
extern const int OldFreeSteps[49];

// A stored count is only believed up to this many entries, so that a damaged
// or hostile "farCount" cannot make loading endless or exhaust memory.
constexpr int MaxFreeAndRunEntries = 1000;

class TFreeAndRunItem {
public:
    // Takes the next ID of a process-wide counter; texts empty, MBToFree 0.
    TFreeAndRunItem();
    TFreeAndRunItem(const TFreeAndRunItem&) = delete;
    TFreeAndRunItem& operator=(const TFreeAndRunItem&) = delete;

    // Finds the entry again from a menu item or list row; never stored.
    const int ID;
    std::string FileToRun;
    std::string Name;    // empty: the name comes from the file
    int MBToFree = 0;    // free-up level: TotalPhysMB - MBToFree MB are freed
};

// Name if set; otherwise the file name, a ".lnk" shortcut without extension.
std::string DisplayName(const TFreeAndRunItem& entry);

class TFreeAndRunList {
public:
    TFreeAndRunList() = default;
    TFreeAndRunList(const TFreeAndRunList&) = delete;
    TFreeAndRunList& operator=(const TFreeAndRunList&) = delete;

    // Appends; the list owns the entry from now on.
    TFreeAndRunItem& Add(std::unique_ptr<TFreeAndRunItem> entry);
    int Count() const { return static_cast<int>(Items.size()); }
    TFreeAndRunItem& Item(int index) { return *Items.at(static_cast<size_t>(index)); }
    const TFreeAndRunItem& Item(int index) const { return *Items.at(static_cast<size_t>(index)); }
    // nullptr when no entry has this ID.
    TFreeAndRunItem* Find(int id);
    // Takes the entry out and hands it back; nullptr when it is not listed.
    std::unique_ptr<TFreeAndRunItem> Remove(const TFreeAndRunItem* entry);

    // Appends the stored entries (at most MaxFreeAndRunEntries), then imports
    // the older format when it was not imported yet.
    void LoadFromRegistry(const std::string& key);
    // Count, flag, then every entry; values of a longer earlier list stay.
    // Once imported entries are written, the older key is deleted.
    void SaveToRegistry(const std::string& key);
    // Appends the entries of OldKey. The key itself stays until a save has
    // written them: many processes load ("quit", a second start) and never
    // save, and the entries would be lost with it.
    void MigrateOldEntries();

    bool Migrated = false;
    // Where the older format is looked for; tests point it elsewhere.
    std::string OldKey = OldFreeAndRunKey;

    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

private:
    std::vector<std::unique_ptr<TFreeAndRunItem>> Items;
    bool oldKeyImported_ = false;  // its entries are here, not yet saved
};
