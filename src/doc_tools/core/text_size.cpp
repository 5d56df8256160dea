#include "doc_tools/core/text_size.h"

namespace doc {

TextSizeRange DecodeTextSizeRange(uint32_t answer) {
    TextSizeRange r;
    r.smallest = static_cast<uint16_t>(answer & 0xFFFFu);
    r.largest = static_cast<uint16_t>(answer >> 16);
    return r;
}

int32_t ClampTextSize(int32_t wanted, TextSizeRange range) {
    if (wanted < static_cast<int32_t>(range.smallest)) {
        return range.smallest;
    }
    if (wanted > static_cast<int32_t>(range.largest)) {
        return range.largest;
    }
    return wanted;
}

} // namespace doc
