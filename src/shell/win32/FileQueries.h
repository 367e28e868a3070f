// The questions the program asks the file system, each answered by one
// directory search (FindFirstFileW) for a path exactly as given, closed
// again at once. An entry of any kind counts: a file as well as a folder.
#pragma once

#include "common/Text.h"

namespace tarnwick::mCommon {

// No trap: true when the search finds an entry.
bool PathSearchFindsEntry(TextView path);
// Trap "mMain.FileExist(FilePath)": the path is a search pattern, so
// wildcards match any entry.
bool FileExist(TextView FilePath);

}  // namespace tarnwick::mCommon

namespace tarnwick::mMain {

// Trap "mMain.FolderExist(folderPath)": a 3-character path (a drive root) is
// taken to exist without a search; any other path is searched for exactly
// as given, so one that ends in "\" is not found.
bool FolderExist(const Text& folderPath);

}  // namespace tarnwick::mMain
