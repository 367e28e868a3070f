// What travels beside a copy's text: its formatted versions, the
// clipboard's "HTML Format" and "Rich Text Format" blocks as the bytes the
// clipboard holds, the locale it was copied in and its word on the cloud
// clipboard. They belong to the content the main window's field shows;
// every conversion of the field converts the versions with the same rule
// and puts the locale and that word back as they were.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "case/CaseRules.h"

namespace tarnwick::clipboard {

struct FormattedVersions {
  std::optional<std::string> html;  // "HTML Format"
  std::optional<std::string> rtf;   // "Rich Text Format"
  // The copy's locale (CF_LOCALE). Programs that paste 8-bit text get the
  // converted text in its code page, not in that of the keyboard layout
  // Tarnwick happens to have when it writes.
  std::optional<std::uint32_t> locale = std::nullopt;
  // "CanUploadToCloudClipboard" as the copying program set it: a copy it
  // kept off the user's other devices stays off them once converted.
  std::optional<std::uint32_t> cloudUpload = std::nullopt;
};

// Converts each version present with `rule`. A version that cannot be
// converted (malformed, truncated, RTF that is not safe to change, or no
// memory for its result) is left out: the text beside it is converted all
// the same, and pasting a stale version would undo that conversion.
void ConvertFormattedVersions(mCase::CaseRule rule, FormattedVersions& versions);

}  // namespace tarnwick::clipboard
