#include <gtest/gtest.h>

#include <vector>

#include "env/MakerAddresses.h"
#include "env/UIStrings.h"

namespace tarnwick::mLanguageGobals {
namespace {

std::vector<const Text*> AllEntries() {
  return {&ProductName, &AboutCaption, &VersionLabel, &LegalNotice, &RightsNotice, &WebsiteLabel,
          &SupportLabel, &OKCaption, &OSNotSupported, &ReportHeader, &ErrorCaption, &ErrorSorry,
          &ErrorIntro, &FolderStep1, &FolderStep2, &FolderStep3, &FolderStep4, &OrSeparator,
          &LinkStep1, &LinkStep2, &LinkStep3, &ManualStep1, &ManualStep2, &ManualStep3,
          &ManualStep4, &DriveNotPresent, &NoDiskInDrive, &FileNotFound};
}

// One test, in order: the table starts empty in a fresh process, then holds
// its texts, and a second load gives the same texts again.
TEST(UIStrings, EmptyBeforeLoadFilledAfterAndStableOnReload) {
  for (const Text* entry : AllEntries()) EXPECT_TRUE(entry->empty());
  LoadUIStrings();
  std::vector<Text> first;
  for (const Text* entry : AllEntries()) {
    EXPECT_FALSE(entry->empty());
    first.push_back(*entry);
  }
  ProductName = u"changed";
  LoadUIStrings();
  std::size_t i = 0;
  for (const Text* entry : AllEntries()) EXPECT_EQ(*entry, first[i++]);
}

TEST(UIStrings, EdgeCasesOfTheTexts) {
  LoadUIStrings();
  EXPECT_EQ(VersionLabel, u"Version ");
  EXPECT_EQ(DriveNotPresent, u"The drive is not present.");
  EXPECT_EQ(NoDiskInDrive, u"No disk in the drive.");
  EXPECT_EQ(FileNotFound, u"The specified file was not found.");
  for (const Text* noStop : {&FolderStep2, &LinkStep3, &ManualStep1, &ManualStep2})
    EXPECT_NE(noStop->back(), u'.') << std::string(noStop->begin(), noStop->end());
  EXPECT_EQ(FolderStep3,
            u"3) Right-click on the file and choose \"Send To...\" and \"Mail Recipient\"");
  EXPECT_EQ(OSNotSupported, u"Tarnwick supports only Windows 2000/XP/2003/Vista");
  EXPECT_EQ(OrSeparator, u"OR");
}

TEST(UIStrings, SupportAddressEndsTheMailTexts) {
  LoadUIStrings();
  EXPECT_EQ(ReportHeader, u"Please send this file to support@tarnwick.example");
  EXPECT_EQ(FolderStep4, u"4) Send the file to support@tarnwick.example");
  EXPECT_EQ(ManualStep4, FolderStep4);
}

TEST(MakerAddresses, AssembledFromCodes) {
  EXPECT_EQ(SupportAddress(), u"support@tarnwick.example");
  EXPECT_EQ(WebsiteAddress(), u"https://www.tarnwick.example/");
}

}  // namespace
}  // namespace tarnwick::mLanguageGobals
