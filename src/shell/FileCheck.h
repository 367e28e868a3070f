// The checks made before Explorer is asked to show a file: is the drive
// there, can its volume be read, does the file exist. The facts about drives
// and paths are injected, so the decision runs without the platform.
#pragma once

#include <optional>
#include <vector>

#include "common/Text.h"

namespace tarnwick::mCommon {

class DriveFacts {
 public:
  virtual ~DriveFacts() = default;
  // Drive root names ("C:\") in the platform's order.
  virtual std::vector<Text> DriveNames() = 0;
  // The volume label of a root (empty when the volume has none), nothing when
  // the volume information cannot be read (no disk).
  virtual std::optional<Text> VolumeLabel(TextView root) = 0;
  // Whether the path is taken to exist (a 3-character path always is).
  virtual bool PathExists(TextView path) = 0;
};

enum class FileCheck { Ok, DriveNotPresent, NoDiskInDrive, FileNotFound };

// The drive part is the first three characters of path, upper-cased and
// compared exactly with the drive names.
Text DrivePartOf(TextView path);
FileCheck CheckFileForExplorer(TextView path, DriveFacts& facts);

// The UI string for a failed check (empty for Ok).
Text FileCheckMessage(FileCheck check);

}  // namespace tarnwick::mCommon
