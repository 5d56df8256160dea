#include "common/core/search_config.h"

#include <algorithm>

namespace kv {
namespace {

std::string Str(std::string_view s) {
    return std::string(s);
}

std::string YahooUnionPrefix(char searchType) {
    return "http://" + Str(kYahooUnionHost) +
           "/click/search.htm?m=1001335&fw=union&st=" + searchType + "&p=1006&name=";
}

} // namespace

std::string PartnerHomeUrl() {
    return "http://www." + Str(kBaiduHost) + "/s?tn=trevox_pg";
}

std::string PartnerSearchPrefix() {
    return "http://www." + Str(kBaiduHost) + "/baidu?tn=trevox_dg&word=";
}

const std::vector<std::string>& SearchHomeForms() {
    static const std::vector<std::string> forms = {
        "http://" + Str(kBaiduHost) + "/",
        "http://www." + Str(kBaiduHost) + "/",
        "http://www." + Str(kBaiduHost),
        "www." + Str(kBaiduHost),
        Str(kBaiduHost),
    };
    return forms;
}

bool IsSearchHomeForm(std::string_view text) {
    const auto& forms = SearchHomeForms();
    return std::find(forms.begin(), forms.end(), text) != forms.end();
}

std::string WebSearchPrefix() {
    return YahooUnionPrefix('0');
}
std::string ImageSearchPrefix() {
    return YahooUnionPrefix('2');
}
std::string Mp3SearchPrefix() {
    return YahooUnionPrefix('1');
}

std::string MakerHomeUrl() {
    return "http://" + Str(kMakerHost);
}

std::string MakerPageUrl(std::string_view path) {
    return MakerHomeUrl() + Str(path);
}

std::vector<std::string> BuiltInSiteItems(const AnsiCodec& codec) {
    return {
        codec.ToAnsi(L"Quelmar软件:") + Str(kMakerHost),
        codec.ToAnsi(L"百度:") + Str(kBaiduHost),
        codec.ToAnsi(L"搜狐:") + Str(kSohuDomain),
    };
}

} // namespace kv
