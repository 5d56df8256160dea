#include "toolkit/files.h"

#include "toolkit/error.h"

#include <windows.h>

#include <climits>

namespace tk {
namespace {

// A handle closed with its object.
class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { (void)Close(); }
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    [[nodiscard]] bool Close() {
        bool ok = true;
        if (Valid()) {
            ok = CloseHandle(h_) != FALSE;
        }
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

[[noreturn]] void ThrowFileError(DWORD code, const std::wstring& path) {
    HRESULT hr = HRESULT_FROM_WIN32(code == 0 ? ERROR_GEN_FAILURE : code);
    throw Error(SystemErrorText(hr) + L"\r\n" + path, hr);
}

} // namespace

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ReadFileBytes(const std::wstring& path) {
    FileHandle f(CreateFileW(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid()) {
        ThrowFileError(GetLastError(), path);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.Get(), &size)) {
        ThrowFileError(GetLastError(), path);
    }
    if (size.QuadPart > INT_MAX) {
        ThrowFileError(ERROR_FILE_TOO_LARGE, path);
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(f.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                      nullptr)) {
            ThrowFileError(GetLastError(), path);
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

void WriteFileReplacing(const std::wstring& path, std::string_view bytes) {
    // The new content goes to a file beside the target first: until the final move the old
    // file stays whole, whatever happens.
    // A read-only file is one the user keeps from being written. Windows refuses to move over
    // it, but not every system does (Wine replaces it): ask before writing anything.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        ThrowFileError(ERROR_ACCESS_DENIED, path);
    }
    std::wstring temp = path + L".new";
    DWORD error = 0;
    {
        FileHandle f(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f.Valid()) {
            ThrowFileError(GetLastError(), path);
        }
        size_t done = 0;
        while (error == 0 && done < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(
                bytes.size() - done > 0x10000000 ? 0x10000000 : bytes.size() - done);
            DWORD wrote = 0;
            if (!WriteFile(f.Get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
                error = GetLastError();
                if (error == 0) {
                    error = ERROR_WRITE_FAULT;
                }
            }
            done += wrote;
        }
        if (error == 0 && !FlushFileBuffers(f.Get())) {
            error = GetLastError();
        }
        if (!f.Close() && error == 0) {
            error = GetLastError();
        }
    }
    if (error == 0 && !MoveFileExW(temp.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        if (error == 0) {
            error = ERROR_GEN_FAILURE;
        }
    }
    if (error != 0) {
        DeleteFileW(temp.c_str());
        ThrowFileError(error, path);
    }
}

} // namespace tk
