#pragma once
// Reads a file stored inside a compiled HTML help file (.chm) through the
// system's help storage (the ITStorage COM object of itss.dll), which also
// exists where the help library cannot show popup texts itself.
#include <cstddef>
#include <optional>
#include <string>

// The first maxBytes bytes of the stream at streamPath (relative to the help
// file's root, such as "cshelp.txt"); none when the help file or the stream
// cannot be opened. The caller's thread gets COM for the time of the call.
std::optional<std::string> ReadHelpFileStream(const std::string& helpFile, const std::string& streamPath,
                                              std::size_t maxBytes);
