// The formatted versions of a copy that travel beside its text: the
// clipboard's "HTML Format" and "Rich Text Format" blocks, as the bytes the
// clipboard holds. They belong to the content the main window's field
// shows, and every conversion of the field converts them with the same rule.
#pragma once

#include <optional>
#include <string>

#include "case/CaseRules.h"

namespace tarnwick::clipboard {

struct FormattedVersions {
  std::optional<std::string> html;  // "HTML Format"
  std::optional<std::string> rtf;   // "Rich Text Format"
};

// Converts each version present with `rule`. A version that cannot be
// converted (malformed, truncated, RTF that is not safe to change, or no
// memory for its result) is left out: the text beside it is converted all
// the same, and pasting a stale version would undo that conversion.
void ConvertFormattedVersions(mCase::CaseRule rule, FormattedVersions& versions);

}  // namespace tarnwick::clipboard
