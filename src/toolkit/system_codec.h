// The system's ANSI code page as the codec the portable rules work with.
#pragma once

#include "common/core/text_codec.h"

namespace tk {

// Converts through CP_ACP; lead bytes as the system reports them. One shared instance.
const kv::AnsiCodec& SystemCodec();

} // namespace tk
