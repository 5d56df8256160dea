// Whole-file reading and the replacing write for files that hold the user's data.
#pragma once

#include <string>
#include <string_view>

namespace tk {

bool FileExists(const std::wstring& path);
// The file's bytes; raises tk::Error with the system's text when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
// Writes bytes to a file beside path, flushes it, then moves it over path. On failure the
// old file at path is left as it was, the partial file is removed and tk::Error is raised
// with the system's text.
void WriteFileReplacing(const std::wstring& path, std::string_view bytes);

} // namespace tk
