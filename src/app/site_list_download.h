// Refreshing the site list file from the maker's web site.
//
// The platform's download service writes straight into the file it is given and may leave a
// partial file behind when the transfer breaks. So the download goes to a file beside the
// list, and only a complete download whose file reads back is moved over it. The service also
// answers success for a server's error page (404, 500) and for a transfer cut short: a status
// callback watches the HTTP answer so that neither passes for a site list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace app {

enum class SiteListStatus {
    Replaced,       // the list file now holds the download; items are its lines
    DownloadFailed, // the download service or the server reported a failure
    Incomplete,     // fewer (or more) bytes arrived than the server announced
    Unreadable,     // the downloaded file could not be read back
    NotReplaced,    // the list file could not be replaced
};

struct SiteListDownload {
    SiteListStatus status = SiteListStatus::DownloadFailed;
    HRESULT result = E_FAIL;        // of the download call, or from the failing file operation
    unsigned httpStatus = 0;        // the server's status code; 0 when none was seen
    std::vector<std::string> items; // the new lines (ANSI), only when Replaced
};

// Downloads sourceUrl (ANSI) with URLDownloadToFileA, without bind options, to a temporary file
// in the folder of listPath. Only when that reports success, the server answered 2xx with as
// many bytes as it announced, and the file reads back is it moved over listPath. On every other
// outcome listPath is left exactly as it was and the temporary file is removed. Runs synchronously
// on the calling (UI) thread.
[[nodiscard]] SiteListDownload DownloadSiteList(const std::string& sourceUrl,
                                                const std::wstring& listPath);

// The temporary file DownloadSiteList uses for listPath (beside it, in the same folder).
std::wstring SiteListTemporaryPath(const std::wstring& listPath);

} // namespace app
