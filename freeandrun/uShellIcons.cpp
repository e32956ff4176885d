#include "freeandrun/uShellIcons.h"

#include "toolkit/Handles.h"

#include <shellapi.h>

#include <cctype>

namespace {

toolkit::UniqueIcon FileIcon(const std::string& path)
{
    SHFILEINFOA info{};
    if (!path.empty() && ::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON) &&
        info.hIcon)
        return toolkit::UniqueIcon(info.hIcon);
    return {};
}

// The icon of a kind of file, known from a name alone.
toolkit::UniqueIcon KindIcon(const std::string& extension)
{
    SHFILEINFOA info{};
    const std::string name = "file" + extension;
    if (::SHGetFileInfoA(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                         SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) &&
        info.hIcon)
        return toolkit::UniqueIcon(info.hIcon);
    return {};
}

std::string ExtensionOf(const std::string& path)
{
    const size_t name = path.find_last_of("\\/:");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (name != std::string::npos && dot < name)) return std::string();
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    // A kind, not a name: nothing odd reaches the shell.
    if (extension.size() > 16) return std::string();
    return extension;
}

}  // namespace

TShellIconList::TShellIconList()
{
    list_ = ::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                               ILC_COLOR32 | ILC_MASK, 16, 16);
}

TShellIconList::~TShellIconList()
{
    if (list_) ::ImageList_Destroy(list_);
}

int TShellIconList::IconFor(const std::string& path)
{
    if (!list_) return -1;
    if (const auto known = indexOf_.find(path); known != indexOf_.end()) return known->second;
    int index = -1;
    if (const toolkit::UniqueIcon icon = FileIcon(path)) {
        index = ::ImageList_AddIcon(list_, icon.Get());
    } else {
        // A path to nothing shows the icon of its kind, held once for all
        // such paths (a tab character cannot be part of a path).
        const std::string kind = "\t" + ExtensionOf(path);
        if (const auto known = indexOf_.find(kind); known != indexOf_.end()) {
            index = known->second;
        } else {
            const toolkit::UniqueIcon icon = KindIcon(ExtensionOf(path));
            index = icon ? ::ImageList_AddIcon(list_, icon.Get()) : -1;
            indexOf_.emplace(kind, index);
        }
    }
    indexOf_.emplace(path, index);
    return index;
}

void TShellIconList::Prune(int files)
{
    if (!list_ || static_cast<int>(indexOf_.size()) <= 2 * files + 32) return;
    ::ImageList_RemoveAll(list_);
    indexOf_.clear();
}

int TShellIconList::Count() const { return list_ ? ::ImageList_GetImageCount(list_) : 0; }
