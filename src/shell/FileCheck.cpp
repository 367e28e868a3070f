#include "shell/FileCheck.h"

#include <algorithm>

#include "env/UIStrings.h"

namespace tarnwick::mCommon {
namespace {

// Drive letters are ASCII; other characters stay as they are.
char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c; }

}  // namespace

Text DrivePartOf(TextView path) {
  Text part(path.substr(0, 3));
  std::transform(part.begin(), part.end(), part.begin(), AsciiUpper);
  return part;
}

FileCheck CheckFileForExplorer(TextView path, DriveFacts& facts) {
  const Text drive = DrivePartOf(path);
  const std::vector<Text> names = facts.DriveNames();
  if (std::find(names.begin(), names.end(), drive) == names.end()) return FileCheck::DriveNotPresent;
  if (!facts.VolumeLabel(drive)) return FileCheck::NoDiskInDrive;
  if (!facts.PathExists(path)) return FileCheck::FileNotFound;
  return FileCheck::Ok;
}

Text FileCheckMessage(FileCheck check) {
  switch (check) {
    case FileCheck::DriveNotPresent:
      return mLanguageGobals::DriveNotPresent;
    case FileCheck::NoDiskInDrive:
      return mLanguageGobals::NoDiskInDrive;
    case FileCheck::FileNotFound:
      return mLanguageGobals::FileNotFound;
    case FileCheck::Ok:
      break;
  }
  return {};
}

}  // namespace tarnwick::mCommon
