// The text size sent to a page, kept inside the range the engine reports.
#pragma once

#include <cstdint>

namespace doc {

// The engine's zoom range answer: smallest size in the low 16 bits, largest in the high 16
// bits, both unsigned.
struct TextSizeRange {
    uint16_t smallest = 0;
    uint16_t largest = 0;
};
TextSizeRange DecodeTextSizeRange(uint32_t answer);

// Below the range: the smallest size; above it: the largest; inside: unchanged.
int32_t ClampTextSize(int32_t wanted, TextSizeRange range);

} // namespace doc
