#include <gtest/gtest.h>

#include "env/MakerAddresses.h"
#include "env/UIStrings.h"

namespace tarnwick::mLanguageGobals {
namespace {

// The addresses are assembled from character codes, so their texts are
// checked here once; every text that names the support address uses them.
TEST(UIStrings, EveryEntryIsFilledAndNamesTheMakersAddresses) {
  EXPECT_TRUE(ReportHeader.empty());  // nothing before the table is loaded
  LoadUIStrings();
  for (const Text* entry :
       {&ProductName, &AboutCaption, &VersionLabel, &LegalNotice, &RightsNotice, &WebsiteLabel,
        &SupportLabel, &OKCaption, &OSNotSupported, &ReportHeader, &ErrorCaption, &ErrorSorry,
        &ErrorIntro, &FolderStep1, &FolderStep2, &FolderStep3, &FolderStep4, &OrSeparator,
        &LinkStep1, &LinkStep2, &LinkStep3, &ManualStep1, &ManualStep2, &ManualStep3, &ManualStep4,
        &DriveNotPresent, &NoDiskInDrive, &FileNotFound}) {
    EXPECT_FALSE(entry->empty());
  }
  EXPECT_EQ(SupportAddress(), u"support@tarnwick.example");
  EXPECT_EQ(WebsiteAddress(), u"https://www.tarnwick.example/");
  for (const Text* mail : {&ReportHeader, &FolderStep4, &ManualStep4})
    EXPECT_EQ(mail->substr(mail->size() - 25), u" support@tarnwick.example");
}

}  // namespace
}  // namespace tarnwick::mLanguageGobals
