// The table of captions and messages that the dialogs, the start-up refusal
// and the error report show. Every entry is empty until LoadUIStrings fills
// the table; afterwards the table is only read.
#pragma once

#include "common/Text.h"

namespace tarnwick::mLanguageGobals {

extern Text ProductName, AboutCaption, VersionLabel, LegalNotice, RightsNotice, WebsiteLabel,
    SupportLabel, OKCaption, OSNotSupported, ReportHeader, ErrorCaption, ErrorSorry, ErrorIntro,
    FolderStep1, FolderStep2, FolderStep3, FolderStep4, OrSeparator, LinkStep1, LinkStep2,
    LinkStep3, ManualStep1, ManualStep2, ManualStep3, ManualStep4, DriveNotPresent, NoDiskInDrive,
    FileNotFound;

// Assigns every entry its fixed English text (again on a second call).
// No locale or resource is consulted.
void LoadUIStrings();

}  // namespace tarnwick::mLanguageGobals
