// The case rules applied to the clipboard's "Rich Text Format".
//
// Only letters of the document text change: control words, groups and every
// destination that is not document text stay byte for byte (the font,
// colour and style tables, \info, \pict, \object, every ignorable
// destination (\*\name), field instructions such as a hyperlink's address, list and
// shape definitions, comments). Field results, footnotes, headers and
// footers are document text.
//
// \'hh and raw bytes above 0x7F are read in the code page in force: the
// current font's (\fN of \fonttbl, by its \cpg or \fcharset; a symbol font
// has no letters), else the document's \ansicpg (\ansi: 1252), and written
// back in it; a converted letter that the page lacks becomes \uN followed by
// the \ucN fallback characters in force (the original character, then '?').
// \uN is rewritten with its number in the same sign convention, and each
// fallback letter follows the converted letter's case where the page has
// that form. \binN data is skipped by its count.
//
// The rule sees the text as one stream in document order, as the plain
// text that a word processor puts beside it reads: \par, \line, \sect,
// \page, \cell and \row end a line, \tab is a tab, the list numbers of
// \listtext and \pntext are read (not changed), and each footnote, header
// or footer is a stream of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "case/CaseRules.h"

namespace tarnwick::mCase {

// The converted document; a run of NULs or anything else after the
// document's last brace is kept as it is. Empty when the converter cannot
// tell the document is safe to change: it does not start with "{\rtf", its
// groups do not balance, a \'hh lacks its digits, \binN runs past the end,
// or text above 0x7F is in a code page without a table here (the
// double-byte pages of Chinese, Japanese and Korean among them).
std::optional<std::string> ConvertRtf(CaseRule rule, std::string_view block);

}  // namespace tarnwick::mCase
