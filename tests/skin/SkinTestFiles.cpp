#include "tests/skin/SkinTestFiles.h"

#include <windows.h>

#include <cstdint>

#include "skin/SkinError.h"
#include "toolkit/Handles.h"

namespace skintest {
namespace {

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());  // test paths are ASCII
}

}  // namespace

TempFolder::TempFolder()
{
    char base[MAX_PATH];
    ::GetTempPathA(MAX_PATH, base);
    folder_ = std::string(base) + "kalvora-skin-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(reinterpret_cast<uintptr_t>(this) & 0xFFFFF) + "\\";
    ::CreateDirectoryA(folder_.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) ::DeleteFileA(it->c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::RemoveDirectoryA(it->c_str());
    ::RemoveDirectoryA(folder_.c_str());
}

std::wstring TempFolder::Path(const std::string& name) const
{
    return Widen(folder_ + name);
}

void TempFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes)
{
    Write(name, std::string(bytes.begin(), bytes.end()));
}

void TempFolder::Write(const std::string& name, const std::string& bytes)
{
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) {
        std::string sub = folder_ + name.substr(0, slash);
        if (::CreateDirectoryA(sub.c_str(), nullptr)) folders_.push_back(sub);
    }
    const std::string path = folder_ + name;
    toolkit::UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    files_.push_back(path);
}

std::wstring ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    return Widen(folder);
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const skin::SkinError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace skintest
