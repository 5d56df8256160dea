// The shell's DDE command texts from arbitrary bytes: every input gives a result or a
// conversion error, and the fields found keep their rules.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/core/dde_command.h"

namespace {

void Require(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One character per byte keeps the interesting ASCII marks dense; a first byte with the
    // top bit set reads the rest as 16-bit units instead.
    std::wstring text;
    if (size > 0 && (data[0] & 0x80) != 0) {
        for (size_t i = 1; i + 1 < size; i += 2) {
            text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
        }
    } else {
        for (size_t i = 0; i < size; ++i) {
            text.push_back(static_cast<wchar_t>(data[i]));
        }
    }

    const std::wstring name = host::DdeCommandName(text);
    Require(name.size() <= text.size());
    Require(name.find(L'(') == std::wstring::npos);
    Require(text.find(name) != std::wstring::npos);

    const std::wstring target = host::HtmlFileCommandTarget(text);
    Require(target.size() <= text.size());
    if (!text.empty() && text[0] == L'"') {
        Require(target.find(L'"') == std::wstring::npos);
    }

    // The name found in the text is always a known command of its own.
    const host::DdeCommandNames names{name, L"Explore", L"Find"};
    const host::DdeParseResult r = host::ParseDdeFolderCommand(text, names);
    if (!r.ok) {
        Require(!r.error.empty());
        Require(r.error.find(L"is not a valid integer value") != std::wstring::npos);
        return 0;
    }
    const host::DdeFolderCommand& c = r.command;
    Require(r.error.empty());
    Require(c.showCommand >= 0 && c.showCommand <= 9);
    Require(c.path.find(L'"') == std::wstring::npos);
    Require(c.path.size() <= text.size());
    if (c.kind == host::DdeCommandKind::None) {
        Require(c.path.empty() && c.source == host::DdeItemListSource::None && c.showCommand == 1);
    }
    if (name.empty()) {
        Require(c.kind == host::DdeCommandKind::None);
    } else {
        Require(c.kind != host::DdeCommandKind::None);
    }
    switch (c.source) {
    case host::DdeItemListSource::None:
        Require(c.processId == 0);
        break;
    case host::DdeItemListSource::Address:
        Require(c.itemList != 0 && c.processId == 0);
        break;
    case host::DdeItemListSource::SharedMemory:
        Require(c.processId != 0);
        break;
    }
    return 0;
}
