// The user's Favorites folder of the throwaway prefix, replaced for a run by an empty one and
// put back afterwards (other test programs share the prefix), and writers of favorites.
// Header only: the benchmarks use it too.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <stdexcept>
#include <string>

namespace kvtest {

inline std::wstring FavoritesPath() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_FAVORITES, nullptr, SHGFP_TYPE_CURRENT, path))) {
        throw std::runtime_error("no Favorites folder");
    }
    return path;
}

inline void RemoveFolderTree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring full = path + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolderTree(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

// While it lives, the Favorites folder is a new empty one; the user's folder is kept aside
// under another name and comes back at the end (also after a run that died half way).
class FavoritesSandbox {
public:
    FavoritesSandbox() : path_(FavoritesPath()), saved_(path_ + L".kvtest-saved") {
        if (GetFileAttributesW(saved_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            RemoveFolderTree(path_);
        } else if (GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES &&
                   !MoveFileW(path_.c_str(), saved_.c_str())) {
            throw std::runtime_error("could not set the Favorites folder aside");
        }
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~FavoritesSandbox() {
        RemoveFolderTree(path_);
        MoveFileW(saved_.c_str(), path_.c_str());
    }
    FavoritesSandbox(const FavoritesSandbox&) = delete;
    FavoritesSandbox& operator=(const FavoritesSandbox&) = delete;

    const std::wstring& Path() const { return path_; }
    // Empties the folder.
    void Clear() const {
        RemoveFolderTree(path_);
        CreateDirectoryW(path_.c_str(), nullptr);
    }

private:
    std::wstring path_;
    std::wstring saved_;
};

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("could not write a favorite");
    }
    DWORD wrote = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    CloseHandle(h);
    if (!ok || wrote != bytes.size()) {
        throw std::runtime_error("could not write a favorite");
    }
}

// An internet shortcut file; an empty url writes a file without the URL key.
inline void WriteInternetShortcut(const std::wstring& path, const std::string& url) {
    std::string text = "[InternetShortcut]\r\n";
    text += url.empty() ? std::string("IconIndex=0\r\n") : "URL=" + url + "\r\n";
    WriteFileBytes(path, text);
}

// A shell link file (whatever its extension) whose target is the given path.
inline bool WriteShellLink(const std::wstring& path, const std::wstring& target) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->SetPath(target.c_str())) &&
              SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Save(path.c_str(), TRUE));
    if (file != nullptr) {
        file->Release();
    }
    link->Release();
    return ok;
}

} // namespace kvtest
