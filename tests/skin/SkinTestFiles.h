#pragma once
// Files for skin tests: a private temporary folder that is removed with what
// was written into it, and the folder of the test program (where the build
// puts default.skn).
#include <functional>
#include <string>
#include <vector>

namespace skintest {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Full path of a file in the folder ("sub\\x.bmp" makes "sub").
    std::wstring Path(const std::string& name) const;
    void Write(const std::string& name, const std::string& bytes);
    void Write(const std::string& name, const std::vector<uint8_t>& bytes);

private:
    std::string folder_;
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
};

// The folder of the running program, with a trailing backslash.
std::wstring ProgramFolder();

// The message of the SkinError that action throws; "(no error)" if none.
std::string ErrorOf(const std::function<void()>& action);

}  // namespace skintest
