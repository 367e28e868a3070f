// Shell special folders: the user's Documents folder, and the report folder
// in it.
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

// The Documents folder, "\", the program title; computed afresh each time.
Text ReportFolder();

}  // namespace tarnwick::mSpecialFolders
