// Shell special folders (the user's Documents folder for the report file).
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/Text.h"

namespace tarnwick::mSpecialFolders {

inline constexpr std::int32_t kPersonalFolder = 5;  // CSIDL_PERSONAL: Documents

// The folder's file-system path without a trailing NUL or backslash; empty
// when the shell supplies none. Asks SHGetSpecialFolderPath first and falls
// back to the item-id list lookup.
Text GetSpecialFolderPath(HWND ownerWindow, std::int32_t folderId);

}  // namespace tarnwick::mSpecialFolders
