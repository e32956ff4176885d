#include "settings/uProgramFiles.h"

#include <windows.h>

#include <vector>

std::string ProgramFileName()
{
    // Paths may be longer than MAX_PATH: grow until the name fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramFolder()
{
    const std::string file = ProgramFileName();
    std::string folder = file.substr(0, file.find_last_of('\\') + 1);
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
