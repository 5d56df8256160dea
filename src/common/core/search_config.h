// Every host of the search services, the portal and the maker's web site, in one place.
// All addresses are ASCII, so the ANSI texts below equal their wide forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/core/text_codec.h"

namespace kv {

// Baidu web search, without any prefix (H).
inline constexpr std::string_view kBaiduHost = "baidu.com";
// Yahoo China's union (partner) search.
inline constexpr std::string_view kYahooUnionHost = "search.cn.yahoo.com";
// The Sohu portal's bare domain.
inline constexpr std::string_view kSohuDomain = "sohu.com";
// The maker's web site.
inline constexpr std::string_view kMakerHost = "www.quelmar.com";

// "http://www." + H + "/s?tn=trevox_pg"
std::string PartnerHomeUrl();
// "http://www." + H + "/baidu?tn=trevox_dg&word=", the word is appended as typed.
std::string PartnerSearchPrefix();
// The five written forms of the Baidu home page that are replaced by PartnerHomeUrl.
const std::vector<std::string>& SearchHomeForms();
// Byte-exact membership in SearchHomeForms (letter case counts, no trimming).
bool IsSearchHomeForm(std::string_view text);

// Yahoo China union search: web, image and MP3 search prefixes.
std::string WebSearchPrefix();
std::string ImageSearchPrefix();
std::string Mp3SearchPrefix();

// "http://" + maker host
std::string MakerHomeUrl();
// "http://" + maker host + path ("/kvbr/newslist.txt", "/kvbr/online.html", "/kvbr/kvbr.exe")
std::string MakerPageUrl(std::string_view path);

// The site list's built-in items in ANSI: maker, Baidu, Sohu.
std::vector<std::string> BuiltInSiteItems(const AnsiCodec& codec);

// The site list file, beside the program and on the maker's site.
inline constexpr const wchar_t* kSiteListFileName = L"newslist.txt";
inline constexpr std::string_view kSiteListPath = "/kvbr/newslist.txt";
inline constexpr std::string_view kOnlineHelpPath = "/kvbr/online.html";
inline constexpr std::string_view kUpdatePath = "/kvbr/kvbr.exe";

} // namespace kv
