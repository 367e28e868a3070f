// The case rules applied to the clipboard's "HTML Format": UTF-8, a header
// of "Key:value" lines (Version, the byte offsets StartHTML, EndHTML,
// StartFragment and EndFragment, optionally StartSelection, EndSelection
// and SourceURL), then the document.
//
// Only letters of the text content change: tags with their attributes,
// comments, the doctype, the contents of script, style, title, noscript,
// iframe, noembed and noframes, and the header's layout stay byte for
// byte. A character reference (&eacute; &#233; &#xE9;) is read as the
// character it stands for and written back in the same form: the name of
// the converted character (&Eacute;; a decimal reference when it has none),
// or the same base, digit case and number of digits. A name that stands for
// no letter, delimiter or separator is text that is not a letter and stays.
//
// The rule sees the text as one stream in document order, as a browser's
// plain text of the same copy reads: a line break at the start and end of
// each block element (p, div, br, li, td, headings and the like), and the
// no-break space as a space. The stream starts afresh at StartFragment and
// at StartSelection, where the plain text that a browser puts beside the
// HTML starts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "case/CaseRules.h"

namespace tarnwick::mCase {

// The converted block, with every offset recomputed when a length changed
// (each keeps its number of digits, zero-padded; when one needs more, all
// that had one width grow together). A run of NULs after the document (the
// end of a clipboard block) is kept as it is. Empty when the block cannot
// be converted: a header that is missing a key, has one twice or an offset
// that is not a number; offsets out of order or outside the block, or
// inside a character or a reference that changes length; invalid UTF-8.
std::optional<std::string> ConvertHtmlFormat(CaseRule rule, std::string_view block);

}  // namespace tarnwick::mCase
