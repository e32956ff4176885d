#include "toolkit/OpenFileDialog.h"

#include <commdlg.h>

#include <vector>

namespace toolkit {

std::vector<char> FileDialogFilterList(const std::string& filter)
{
    std::vector<char> list(filter.begin(), filter.end());
    for (char& c : list)
        if (c == '|') c = '\0';
    if (list.empty() || list.back() != '\0') list.push_back('\0');
    list.push_back('\0');
    return list;
}

bool OpenFileDialog::Execute(HWND owner)
{
    std::vector<char> filter = FileDialogFilterList(Filter);
    // Room for a long path: the dialog refuses a choice that does not fit.
    std::vector<char> file(32768, '\0');
    OPENFILENAMEA request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = Filter.empty() ? nullptr : filter.data();
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    request.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    request.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    request.Flags = Flags;
    if (!::GetOpenFileNameA(&request)) return false;
    FileName = file.data();
    return !FileName.empty();
}

}  // namespace toolkit
