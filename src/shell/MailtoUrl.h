// The mailto: URL that opens a new message in the user's mail program.
#pragma once

#include <cstdint>

#include "common/Text.h"

namespace tarnwick::mCommon {

// Subject and body: "&" -> "%26", blank -> "%20", CR LF -> "%0D%0A", then a
// lone CR -> "%0D" and a lone LF -> "%0A"; nothing else is escaped.
Text EscapeMailText(TextView text);

// "mailto:" + address + the query of the non-empty parts (Subject, Body
// ending in an encoded line break, CC, BCC, Attacth in quotation marks), its
// first "&" turned into "?".
Text ComposeMailtoUrl(TextView address, TextView subject, TextView body, TextView cc,
                      TextView bcc, TextView attachment);

// The subject of a mail to support: the program title, " v", the major
// version number, "." and the minor one, both in plain digits (1.5 stays
// "v1.5").
Text SupportMailSubject(std::int32_t major, std::int32_t minor);

}  // namespace tarnwick::mCommon
