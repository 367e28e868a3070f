#include "env/UIStrings.h"

#include "env/MakerAddresses.h"

namespace tarnwick::mLanguageGobals {

Text ProductName, AboutCaption, VersionLabel, LegalNotice, RightsNotice, WebsiteLabel,
    SupportLabel, OKCaption, OSNotSupported, ReportHeader, ErrorCaption, ErrorSorry, ErrorIntro,
    FolderStep1, FolderStep2, FolderStep3, FolderStep4, OrSeparator, LinkStep1, LinkStep2,
    LinkStep3, ManualStep1, ManualStep2, ManualStep3, ManualStep4, DriveNotPresent, NoDiskInDrive,
    FileNotFound;

void LoadUIStrings() {
  const Text support = SupportAddress();

  ProductName = kProgramTitle;
  AboutCaption = u"About " + ProductName;
  VersionLabel = u"Version ";
  LegalNotice = u"Copyright (C) 2024-2026 Tarnwick developers";
  RightsNotice = u"All rights reserved.";
  WebsiteLabel = u"Website:";
  SupportLabel = u"Technical support:";
  OKCaption = u"OK";
  OSNotSupported = ProductName + u" supports only Windows 2000/XP/2003/Vista";
  ReportHeader = u"Please send this file to " + support;

  ErrorCaption = u"Program Error";
  ErrorSorry = u"Sorry, an error has occurred. Try to restart the program.";
  ErrorIntro =
      u"If the error occurs again, please send a message with an attached ErrorReport.txt file "
      u"by following these directions:";
  FolderStep1 = u"1) Go to the folder (click to open folder):";
  FolderStep2 = u"2) Locate the ErrorReport.txt file in this folder";
  FolderStep3 = u"3) Right-click on the file and choose \"Send To...\" and \"Mail Recipient\"";
  FolderStep4 = u"4) Send the file to " + support;
  OrSeparator = u"OR";
  LinkStep1 = u"1) Click the link below and your default email client will create a message";
  LinkStep2 = u"2) Attach the ErrorReport.txt file located in the folder (click to open folder):";
  LinkStep3 = u"3) Send the mail";
  ManualStep1 = u"1) Open your email client";
  ManualStep2 = u"2) Create a new email document";
  ManualStep3 = u"3) Attach the ErrorReport.txt file located in the folder (click to open folder):";
  ManualStep4 = FolderStep4;

  DriveNotPresent = u"The drive is not present.";
  NoDiskInDrive = u"No disk in the drive.";
  FileNotFound = u"The specified file was not found.";
}

}  // namespace tarnwick::mLanguageGobals
