// Throwaway folders and whole-file helpers for tests that run programs against files.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kvtest {

// A new empty folder under the system's temporary folder, removed with everything in it when
// the object goes. Path() ends with a backslash.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag = L"kv");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

void WriteBytes(const std::wstring& path, const std::string& bytes);
// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadBytes(const std::wstring& path);
bool Exists(const std::wstring& path);
// Removes a folder tree; missing is fine.
void RemoveTree(const std::wstring& path);

} // namespace kvtest
