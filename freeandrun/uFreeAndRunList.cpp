#include "freeandrun/uFreeAndRunList.h"

#include "engine/uMemoryFigures.h"
#include "engine/uSizeText.h"
#include "settings/uRegistry.h"

#include <algorithm>

namespace {

int NextItemID = 0;

std::string UpperCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The old index has no amount outside the table: it is clamped into it.
int OldFreeStep(int index)
{
    return OldFreeSteps[ClampInt(index, 0, static_cast<int>(std::size(OldFreeSteps)) - 1)];
}

}  // namespace

const int OldFreeSteps[49] = {
    1,   2,                                                                   // 0, 1
    4,   6,   8,   10,  12,  14,  16,  18,  20,  22,  24,  26,  28,  30,  32,  // 2..16
    40,  48,  56,  64,  72,  80,  88,  96,  104, 112, 120, 128,               // 17..28
    160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 480, 512,               // 29..40
    576, 640, 704, 768, 832, 896, 960, 1024,                                  // 41..48
};

TFreeAndRunItem::TFreeAndRunItem() : ID(NextItemID++) {}

std::string DisplayName(const TFreeAndRunItem& entry)
{
    if (!entry.Name.empty()) return entry.Name;
    const size_t separator = entry.FileToRun.find_last_of("\\:");
    const std::string fileName =
        separator == std::string::npos ? entry.FileToRun : entry.FileToRun.substr(separator + 1);
    const size_t dot = fileName.rfind('.');
    if (dot != std::string::npos && UpperCase(fileName.substr(dot)) == ".LNK")
        return fileName.substr(0, fileName.size() - 4);
    return fileName;
}

TFreeAndRunItem& TFreeAndRunList::Add(std::unique_ptr<TFreeAndRunItem> entry)
{
    Items.push_back(std::move(entry));
    return *Items.back();
}

TFreeAndRunItem* TFreeAndRunList::Find(int id)
{
    for (const auto& entry : Items)
        if (entry->ID == id) return entry.get();
    return nullptr;
}

std::unique_ptr<TFreeAndRunItem> TFreeAndRunList::Remove(const TFreeAndRunItem* entry)
{
    auto found = std::find_if(Items.begin(), Items.end(), [entry](const auto& item) { return item.get() == entry; });
    if (found == Items.end()) return nullptr;
    std::unique_ptr<TFreeAndRunItem> removed = std::move(*found);
    Items.erase(found);
    return removed;
}

void TFreeAndRunList::LoadFromRegistry(const std::string& key)
{
    const int count = std::min(ReadRegInteger(key, "farCount", 0), MaxFreeAndRunEntries);
    for (int n = 1; n <= count; ++n) {
        auto entry = std::make_unique<TFreeAndRunItem>();
        const std::string number = std::to_string(n);
        entry->Name = ReadRegString(key, number + "farName", entry->Name);
        entry->FileToRun = ReadRegString(key, number + "farFileToRun", entry->FileToRun);
        entry->MBToFree = ReadRegInteger(key, number + "farMBToFree", entry->MBToFree);
        Add(std::move(entry));
    }
    Migrated = ReadRegBool(key, "farMigrated", false);
    if (!Migrated && RegKeyExists(OldKey)) {
        MigrateOldEntries();
        Migrated = true;
    }
}

void TFreeAndRunList::SaveToRegistry(const std::string& key)
{
    WriteRegInteger(key, "farCount", Count());
    WriteRegBool(key, "farMigrated", Migrated);
    int n = 0;
    for (const auto& entry : Items) {
        const std::string number = std::to_string(++n);
        WriteRegString(key, number + "farName", entry->Name);
        WriteRegString(key, number + "farFileToRun", entry->FileToRun);
        WriteRegInteger(key, number + "farMBToFree", entry->MBToFree);
    }
    // Only now are the imported entries safe; a failed write above throws
    // and leaves the older key for the next start.
    if (oldKeyImported_) {
        DeleteRegKey(OldKey);
        oldKeyImported_ = false;
    }
}

void TFreeAndRunList::MigrateOldEntries()
{
    for (const std::string& name : ListRegValueNames(OldKey)) {
        if (Count() >= MaxFreeAndRunEntries) break;
        if (!name.starts_with("Display")) continue;
        // The eighth character, normally a blank, is skipped whatever it is.
        const std::string suffix = name.size() > 8 ? name.substr(8, 100) : std::string();
        auto entry = std::make_unique<TFreeAndRunItem>();
        entry->FileToRun = ReadRegString(OldKey, "Run " + suffix, "");
        entry->MBToFree = ClampInt(TotalPhysMB - OldFreeStep(ReadRegInteger(OldKey, "Free " + suffix, 0)), 1, TotalPhysMB);
        entry->Name = ReadRegString(OldKey, "Display " + suffix, "");
        Add(std::move(entry));
    }
    oldKeyImported_ = true;
}
