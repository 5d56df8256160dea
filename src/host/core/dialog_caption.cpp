#include "host/core/dialog_caption.h"

namespace host {

std::wstring DialogCaption(const std::wstring& title, const std::wstring& newCaption) {
    const std::wstring c = newCaption.empty() ? std::wstring(L"Web Browser") : newCaption;
    std::wstring result = title;
    const std::wstring maker = L"Microsoft ";
    size_t at = result.find(maker);
    if (at != std::wstring::npos) {
        result.erase(at, maker.size());
    }
    const std::wstring product = L"Internet Explorer";
    at = result.find(product);
    if (at != std::wstring::npos) {
        result.replace(at, product.size(), c);
    }
    if (result.find(c) == std::wstring::npos) {
        result = c + L":  " + result;
    }
    return result;
}

bool IsErrorDialogTitle(const std::wstring& title) {
    return title.find(L"Error") != std::wstring::npos;
}

} // namespace host
