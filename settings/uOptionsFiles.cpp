// The options that name files: the autostart command and the skin file.
#include "settings/uKalvoraOptions.h"
#include "settings/uProgramFiles.h"

std::string TKalvoraOptions::AutostartCommand() const
{
    std::string command = "\"";
    command += ProgramFileName();
    command += "\" autostart";
    return command;
}

std::string TKalvoraOptions::SkinFilePath() const
{
    const std::string path = skin_.find('\\') == std::string::npos ? ProgramFolder() + skin_ : skin_;
    return FileExists(path) ? path : std::string();
}
