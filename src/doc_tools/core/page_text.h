// The bytes of a page-text export file.
#pragma once

#include <optional>
#include <string>

namespace doc {

// The page's text (already in the system's ANSI code page) as one entry followed by CR LF,
// whatever line breaks it holds itself; no text (no HTML document) gives an empty file.
std::string PageTextFileBytes(const std::optional<std::string>& ansiText);

} // namespace doc
