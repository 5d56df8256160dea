#include "app/site_list_download.h"

#include "common/core/line_file.h"
#include "toolkit/system_library.h"
#include "toolkit/text.h"

#include <urlmon.h>
#include <wrl/client.h>

#include <cwctype>

#include <optional>
#include <utility>

namespace app {
namespace {

struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
};

// Removes the temporary file on every way out unless it has been moved over the list.
struct TemporaryFile {
    std::wstring path;
    bool keep = false;
    explicit TemporaryFile(std::wstring p) : path(std::move(p)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!keep) {
            DeleteFileW(path.c_str());
        }
    }
};

HRESULT LastErrorResult() {
    DWORD e = GetLastError();
    return e == 0 ? E_FAIL : HRESULT_FROM_WIN32(e);
}

// Whole content of a file; nothing when it cannot be opened or read completely.
std::optional<std::string> ReadWholeFile(const std::wstring& path, HRESULT& hr) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE) {
        hr = LastErrorResult();
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.h, &size)) {
        hr = LastErrorResult();
        return std::nullopt;
    }
    // A site list is a few lines; anything near the 32-bit read limit is not one.
    if (size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF) {
        hr = E_OUTOFMEMORY;
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    if (!bytes.empty()) {
        DWORD done = 0;
        if (!ReadFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) {
            hr = LastErrorResult();
            return std::nullopt;
        }
        if (done != bytes.size()) {
            hr = E_FAIL;
            return std::nullopt;
        }
    }
    return bytes;
}

// The ANSI download service needs an ANSI file name. A folder whose name the code page cannot
// represent is reached through its short (8.3) name, which is plain ASCII.
std::optional<std::string> AnsiFileName(const std::wstring& path) {
    std::string ansi = tk::ToAnsi(path);
    if (!ansi.empty() && tk::FromAnsi(ansi) == path) {
        return ansi;
    }
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return std::nullopt;
    }
    std::wstring folder = path.substr(0, slash + 1);
    DWORD n = GetShortPathNameW(folder.c_str(), nullptr, 0);
    if (n == 0) {
        return std::nullopt;
    }
    std::wstring shortFolder(n, L'\0');
    n = GetShortPathNameW(folder.c_str(), shortFolder.data(), n);
    if (n == 0 || n >= shortFolder.size()) {
        return std::nullopt;
    }
    shortFolder.resize(n);
    std::wstring shortPath = shortFolder + path.substr(slash + 1);
    ansi = tk::ToAnsi(shortPath);
    if (ansi.empty() || tk::FromAnsi(ansi) != shortPath) {
        return std::nullopt;
    }
    return ansi;
}

// Value of the Content-Length header in a block of response headers; -1 when absent.
long long ContentLength(const wchar_t* headers) {
    if (!headers) {
        return -1;
    }
    static const wchar_t kName[] = L"content-length:";
    const size_t nameLength = sizeof(kName) / sizeof(kName[0]) - 1;
    for (const wchar_t* line = headers; *line;) {
        const wchar_t* end = line;
        while (*end && *end != L'\r' && *end != L'\n') {
            ++end;
        }
        size_t i = 0;
        while (i < nameLength && line + i < end && towlower(line[i]) == kName[i]) {
            ++i;
        }
        if (i == nameLength) {
            const wchar_t* p = line + nameLength;
            while (p < end && (*p == L' ' || *p == L'\t')) {
                ++p;
            }
            long long value = 0;
            bool digits = false;
            while (p < end && *p >= L'0' && *p <= L'9' && value < (1LL << 40)) {
                value = value * 10 + (*p - L'0');
                digits = true;
                ++p;
            }
            return digits ? value : -1;
        }
        line = end;
        while (*line == L'\r' || *line == L'\n') {
            ++line;
        }
    }
    return -1;
}

// Status callback handed to the download: only watches the server's answer.
class DownloadWatch final : public IBindStatusCallback, public IHttpNegotiate {
public:
    DWORD httpStatus = 0;
    long long contentLength = -1;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IBindStatusCallback) {
            *object = static_cast<IBindStatusCallback*>(this);
        } else if (iid == IID_IHttpNegotiate) {
            *object = static_cast<IHttpNegotiate*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) {
            delete this;
        }
        return static_cast<ULONG>(n);
    }

    // IBindStatusCallback
    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO*) override {
        // No options of our own: the service's defaults apply.
        if (flags) {
            *flags = 0;
        }
        return S_OK;
    }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // IHttpNegotiate
    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* extra) override {
        if (extra) {
            *extra = nullptr;
        }
        return S_OK;
    }
    STDMETHODIMP OnResponse(DWORD code, LPCWSTR headers, LPCWSTR, LPWSTR* extra) override {
        if (extra) {
            *extra = nullptr;
        }
        httpStatus = code;
        contentLength = ContentLength(headers);
        return S_OK;
    }

private:
    ~DownloadWatch() = default;
    LONG refs_ = 0; // the first owner adds the first reference
};

} // namespace

std::wstring SiteListTemporaryPath(const std::wstring& listPath) {
    // The process id keeps two running copies of the program from sharing one file.
    return listPath + L"." + std::to_wstring(GetCurrentProcessId()) + L".download";
}

SiteListDownload DownloadSiteList(const std::string& sourceUrl, const std::wstring& listPath) {
    SiteListDownload out;
    TemporaryFile temp(SiteListTemporaryPath(listPath));
    // A leftover of an earlier run must not pass for this download.
    DeleteFileW(temp.path.c_str());

    std::optional<std::string> ansiTemp = AnsiFileName(temp.path);
    if (!ansiTemp) {
        out.status = SiteListStatus::DownloadFailed;
        out.result = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
        return out;
    }
    // The pointer constructor takes the one reference (mingw-w64's Attach would add another).
    Microsoft::WRL::ComPtr<DownloadWatch> watch(new DownloadWatch);
    // Bound on first use: the library and the internet libraries it brings stay out of the
    // program's start.
    using DownloadFn =
        HRESULT(WINAPI*)(IUnknown*, const char*, const char*, DWORD, IBindStatusCallback*);
    auto download = tk::SystemFunction<DownloadFn>(L"urlmon.dll", "URLDownloadToFileA");
    if (download == nullptr) {
        out.status = SiteListStatus::DownloadFailed;
        out.result = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
        return out;
    }
    out.result = download(nullptr, sourceUrl.c_str(), ansiTemp->c_str(), 0, watch.Get());
    out.httpStatus = watch->httpStatus;
    if (FAILED(out.result)) {
        out.status = SiteListStatus::DownloadFailed;
        return out;
    }
    if (watch->httpStatus != 0 && (watch->httpStatus < 200 || watch->httpStatus > 299)) {
        out.status = SiteListStatus::DownloadFailed;
        out.result = INET_E_DOWNLOAD_FAILURE;
        return out;
    }

    HRESULT readResult = S_OK;
    std::optional<std::string> bytes = ReadWholeFile(temp.path, readResult);
    if (!bytes) {
        out.status = SiteListStatus::Unreadable;
        out.result = readResult;
        return out;
    }
    if (watch->contentLength >= 0 &&
        static_cast<unsigned long long>(watch->contentLength) != bytes->size()) {
        out.status = SiteListStatus::Incomplete;
        out.result = INET_E_DOWNLOAD_FAILURE;
        return out;
    }
    if (!MoveFileExW(temp.path.c_str(), listPath.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        out.status = SiteListStatus::NotReplaced;
        out.result = LastErrorResult();
        return out;
    }
    temp.keep = true;
    out.status = SiteListStatus::Replaced;
    out.items = kv::SplitLines(*bytes);
    return out;
}

} // namespace app
