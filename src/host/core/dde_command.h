// Texts of the shell's folder and HTML-file DDE conversations: command names declared in the
// registry and the execute commands the shell sends. Portable.
#pragma once

#include <cstdint>
#include <string>

namespace host {

// The command name in a DDE command text: what follows the first "[", cut before the first "("
// after it (the rest of the text when there is none). Empty when the text has no "[".
std::wstring DdeCommandName(const std::wstring& text);

// The address of an HTML-file execute: a leading double quote is dropped and the text is cut
// before the next double quote; any other text is taken whole.
std::wstring HtmlFileCommandTarget(const std::wstring& text);

enum class DdeCommandKind { None = 0, Open = 1, Explore = 2, Find = 3 };

// The command names read from the registry. An empty name never matches.
struct DdeCommandNames {
    std::wstring open;
    std::wstring explore;
    std::wstring find;
};

// Where the item list of a folder command lives.
enum class DdeItemListSource {
    None,         // no number given, or the address 0
    Address,      // itemList is an address in this process
    SharedMemory, // itemList is a shared memory handle of process processId
};

struct DdeFolderCommand {
    DdeCommandKind kind = DdeCommandKind::None;
    std::wstring path; // between the first and the second double quote
    DdeItemListSource source = DdeItemListSource::None;
    int64_t itemList = 0;
    int64_t processId = 0;
    int showCommand = 1; // one digit
};

struct DdeParseResult {
    bool ok = false;
    std::wstring error; // conversion error text when !ok
    DdeFolderCommand command;
};

// Parses a folder command such as
//   [ViewFolder("C:\Folder", :1234:5678, 1)]
// The kind comes from the command name; the other fields are read only when the kind is known:
// - path: the text between the first and the second double quote;
// - item list: in the text after the first comma (counted after the path's closing quote, so
//   that a comma inside the path is not taken for a field separator) the first number N1 (an
//   optional sign and digits); when the next ':' or ',' after it is ':', the first number
//   after that ':' is the process N2. N2 not 0: N1 is a shared memory handle of process N2;
//   N2 = 0: N1 is an address in this process; no number at all: no item list;
// - show command: the first digit after the second comma, 1 when there is none.
// A sign without digits or a number out of the 64-bit range is a conversion error.
DdeParseResult ParseDdeFolderCommand(const std::wstring& text, const DdeCommandNames& names);

} // namespace host
