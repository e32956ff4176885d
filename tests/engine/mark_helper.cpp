// Started by the free-and-run tests: leaves a mark beside itself and ends.
#include <windows.h>

#include <string>

int main()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    const std::string mark = std::string(path) + ".mark";
    HANDLE file = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(file);
    return 0;
}
