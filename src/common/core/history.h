// Address histories: most recent first, whole-line look-up ignoring letter case, no length
// limit. Used for the shared history (ListBoxURL) and each window's own list (URLS).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/core/line_list.h"
#include "common/core/text_codec.h"

namespace kv {

// Index of the first line equal to text ignoring case, or npos.
size_t FindLine(const LineList& lines, std::string_view text, const AnsiCodec& codec);
// Recording an entered address: absent -> inserted as the first line; present at i -> line i
// moved to the first position, keeping its stored text (its letter case). Returns the index it
// came from, or npos when inserted.
size_t RecordAtFront(LineList& lines, std::string_view text, const AnsiCodec& codec);
// Start-up rule: inserts PartnerHomeUrl at the front when no line equals it (ignoring case).
void EnsurePartnerHome(LineList& lines, const AnsiCodec& codec);

// The history file, beside the program.
inline constexpr const wchar_t* kHistoryFileName = L"UrlsList.txt";

} // namespace kv
