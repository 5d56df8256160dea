#include "doc_tools/core/page_text.h"

#include "common/core/line_file.h"

namespace doc {

std::string PageTextFileBytes(const std::optional<std::string>& ansiText) {
    if (!ansiText) {
        return {};
    }
    return kv::JoinLines({*ansiText});
}

} // namespace doc
