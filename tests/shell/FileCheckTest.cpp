#include <gtest/gtest.h>

#include <set>

#include "env/UIStrings.h"
#include "shell/FileCheck.h"

namespace tarnwick::mCommon {
namespace {

// Drives C:\ (labelled), D:\ (no disk) and E:\ (no label); the files that
// exist; and a record of what was asked.
class FakeDrives : public DriveFacts {
 public:
  std::vector<Text> DriveNames() override {
    ++namesAsked;
    return {u"C:\\", u"D:\\", u"E:\\"};
  }
  std::optional<Text> VolumeLabel(TextView root) override {
    volumesAsked.emplace_back(root);
    if (root == u"D:\\") return std::nullopt;
    if (root == u"E:\\") return Text();
    return Text(u"SYSTEM");
  }
  bool PathExists(TextView path) override {
    pathsAsked.emplace_back(path);
    return path.size() == 3 || existing.count(Text(path)) > 0;
  }

  std::set<Text> existing{u"C:\\Users\\me\\Documents\\Tarnwick\\ErrorReport.txt",
                          u"E:\\report.txt"};
  int namesAsked = 0;
  std::vector<Text> volumesAsked, pathsAsked;
};

TEST(CheckFileForExplorer, ExistingFileOnAReadableDrive) {
  FakeDrives drives;
  EXPECT_EQ(CheckFileForExplorer(u"C:\\Users\\me\\Documents\\Tarnwick\\ErrorReport.txt", drives),
            FileCheck::Ok);
  EXPECT_EQ(drives.volumesAsked, std::vector<Text>{u"C:\\"});
  // A drive without a label is still a readable drive.
  EXPECT_EQ(CheckFileForExplorer(u"E:\\report.txt", drives), FileCheck::Ok);
}

TEST(CheckFileForExplorer, LowerCaseDriveIsAccepted) {
  FakeDrives drives;
  drives.existing.insert(u"c:\\x.txt");
  EXPECT_EQ(CheckFileForExplorer(u"c:\\x.txt", drives), FileCheck::Ok);
  EXPECT_EQ(DrivePartOf(u"c:\\x.txt"), u"C:\\");
  // The path itself is searched as given.
  EXPECT_EQ(drives.pathsAsked, std::vector<Text>{u"c:\\x.txt"});
}

TEST(CheckFileForExplorer, NetworkAndUnknownDrivesAreNotPresent) {
  FakeDrives drives;
  for (const char16_t* path : {u"\\\\server\\share\\ErrorReport.txt", u"Z:\\a.txt", u"C:", u"",
                               u"C:/a.txt", u"CC:\\a"}) {
    EXPECT_EQ(CheckFileForExplorer(path, drives), FileCheck::DriveNotPresent);
  }
  EXPECT_TRUE(drives.volumesAsked.empty());
  EXPECT_TRUE(drives.pathsAsked.empty());
}

TEST(CheckFileForExplorer, NoDiskThenMissingFile) {
  FakeDrives drives;
  EXPECT_EQ(CheckFileForExplorer(u"D:\\setup.exe", drives), FileCheck::NoDiskInDrive);
  EXPECT_TRUE(drives.pathsAsked.empty());
  EXPECT_EQ(CheckFileForExplorer(u"C:\\missing.txt", drives), FileCheck::FileNotFound);
  // A drive root is three characters and taken to exist.
  EXPECT_EQ(CheckFileForExplorer(u"c:\\", drives), FileCheck::Ok);
}

TEST(FileCheckMessage, TheUserIsToldWhy) {
  mLanguageGobals::LoadUIStrings();
  EXPECT_EQ(FileCheckMessage(FileCheck::DriveNotPresent), u"The drive is not present.");
  EXPECT_EQ(FileCheckMessage(FileCheck::NoDiskInDrive), u"No disk in the drive.");
  EXPECT_EQ(FileCheckMessage(FileCheck::FileNotFound), u"The specified file was not found.");
  EXPECT_TRUE(FileCheckMessage(FileCheck::Ok).empty());
}

}  // namespace
}  // namespace tarnwick::mCommon
