// The formatted versions of a copy on the clipboard: the registered
// formats "HTML Format" and "Rich Text Format", read from the open
// clipboard and made into blocks to put on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "clipboard/FormattedVersions.h"
#include "common/win32/Handles.h"

namespace tarnwick::clipboard {

// The formats' numbers in this session (0 when registration failed).
UINT HtmlClipboardFormat();
UINT RtfClipboardFormat();
UINT CloudUploadClipboardFormat();

// The formatted versions, the locale and the cloud clipboard's permission
// on the clipboard that this thread holds open, each read within its
// block's size. One the clipboard does not hand out, or that there is no
// memory to copy, is left out: the text read in the same look never depends
// on them.
FormattedVersions ReadOpenFormattedVersions();

// The DWORD at the start of a format's block on the open clipboard; none
// when the format is absent, not handed out or shorter than a DWORD.
std::optional<std::uint32_t> ReadOpenDword(UINT format);

// A movable global block holding `bytes`; empty when there is no memory.
win32::GlobalBlock GlobalBlockOf(std::string_view bytes);

}  // namespace tarnwick::clipboard
