// Shell and URL helpers of the favorites menu: item identities over the shell's task allocator,
// names, type names, the folder test and icons of shell items, the four ways of reading the URL
// of a favorite, and the platform browser's version.
//
// Text is wide throughout: names and paths that the system's ANSI code page cannot hold still
// reach the shell intact.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <memory>
#include <utility>
#include <vector>
#include <string>

namespace fav {

// Identities here are shell item-identifier lists in blocks of the shell's task allocator.
size_t ItemIdSize(LPCITEMIDLIST id);
// A zero-filled block, or null.
LPITEMIDLIST NewItemId(size_t size);
// A new block holding a copy of the identity, or null (also for a null identity).
LPITEMIDLIST CopyItemId(LPCITEMIDLIST id);
// A new block: parent (may be null) without its closing count, then the whole child.
LPITEMIDLIST JoinItemIds(LPCITEMIDLIST parent, LPCITEMIDLIST child);
// Cuts the last item off in place, leaving the parent folder's identity.
void StripLastItemId(LPITEMIDLIST id);
void FreeItemId(LPCITEMIDLIST id);

struct ItemIdFree {
    void operator()(ITEMIDLIST* id) const { FreeItemId(id); }
};
// An identity owned by its holder.
using ItemIdPtr = std::unique_ptr<ITEMIDLIST, ItemIdFree>;

// The item's name in normal form (SHGDN_NORMAL) and in parsing form (SHGDN_FORPARSING: the full
// path of a file); empty when the folder can't tell.
std::wstring DisplayName(IShellFolder* folder, LPCITEMIDLIST relative);
std::wstring ParsingName(IShellFolder* folder, LPCITEMIDLIST relative);

// The shell's type name of the item ("Internet Shortcut", "Folder" ...); empty when unknown.
std::wstring TypeName(LPCITEMIDLIST absolute);
// True when the shell's type name of the item is exactly typeName.
bool HasTypeName(const std::wstring& typeName, LPCITEMIDLIST absolute);
// The type names of one folder's items, as its own details give them (its column of the
// storage type) with TypeName as the fallback. A file's type follows its extension, so each
// extension is asked once; a folder is asked each time (a folder's type may be its own).
// Asking the shell by absolute identity binds the folder again for every item, which costs
// milliseconds per item under Wine.
class FolderTypeNames {
public:
    explicit FolderTypeNames(IShellFolder* folder);
    ~FolderTypeNames();
    FolderTypeNames(const FolderTypeNames&) = delete;
    FolderTypeNames& operator=(const FolderTypeNames&) = delete;
    std::wstring Of(LPCITEMIDLIST relative, LPCITEMIDLIST absolute, bool isFolder);

private:
    std::wstring Ask(LPCITEMIDLIST relative, LPCITEMIDLIST absolute);

    IShellFolder* folder_;
    IShellFolder2* details_ = nullptr; // owned reference
    int column_ = -1;
    std::vector<std::pair<std::wstring, std::wstring>> byExtension_;
};

// True when the folder reports the item with the shell's folder attribute.
bool IsFolderItem(IShellFolder* folder, LPCITEMIDLIST relative);
// True when the folder reports the item as a folder and its type name is not the channel
// shortcut's.
bool IsSubmenuFolder(const std::wstring& channelTypeName, IShellFolder* folder,
                     LPCITEMIDLIST relative, LPCITEMIDLIST absolute);
// Index of the item's small icon in the system image list, or -1.
int SmallIconIndex(LPCITEMIDLIST absolute);
// The system image list of small icons (shared with the system: never destroy it), or null.
HIMAGELIST SystemSmallImages(LPCITEMIDLIST absolute);

// The URL of an internet shortcut file read by the shell's internet-shortcut object; empty when
// the object can't be made or the file can't be read.
std::wstring UrlFromInternetShortcut(const std::wstring& path);
// The value of "URL" in the section "InternetShortcut" of the file; empty when absent.
std::wstring UrlFromIniFile(const std::wstring& path);
// The target path of a shell link file, resolved without updating the link (the shell may ask
// the user about a moved target); empty when the file is no link or can't be resolved. Raises
// tk::Error when the shell's link object can't be made.
std::wstring UrlFromShellLink(const std::wstring& path);
// The normal name of a channel link's target; failed is set when any step fails (the URL is
// then empty).
std::wstring UrlFromChannelLink(IShellFolder* folder, LPCITEMIDLIST relative, bool& failed);

// The default value of the key className under HKEY_CLASSES_ROOT (the type name the shell
// reports for files of that class); fallback when the key or value can't be read.
std::wstring ClassTypeName(const wchar_t* className, const wchar_t* fallback);

// The platform browser's "Version" under HKEY_LOCAL_MACHINE begins with a digit above 4.
bool BrowserVersionAbove4();

} // namespace fav
