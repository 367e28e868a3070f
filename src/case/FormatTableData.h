// The character tables of the HTML and RTF converters, as the generator
// (tools/formatgen) writes them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tarnwick::mCase::data {

// An HTML named character reference ("eacute;", or a legacy name without
// the semicolon, "eacute") and the one character it stands for.
struct NamedReference {
  std::string_view name;
  char16_t unit;
};

// Every name that stands for a letter with a case partner, a sentence
// delimiter, a word separator or the no-break space, sorted by name.
std::span<const NamedReference> NamedReferences();
// Indexes into NamedReferences() sorted by character; the names of one
// character shortest first.
std::span<const std::uint16_t> NamesByUnit();

struct ByteOfUnit {
  char16_t unit;
  std::uint8_t byte;
};

inline constexpr char16_t kNoCharacter = 0xFFFF;

// A single-byte code page: bytes below 0x80 are ASCII; decode[b - 0x80] is
// the character of byte b (kNoCharacter where the page has none); encode
// lists the bytes from 0x80 up by character.
struct CodePage {
  int number;
  const char16_t* decode;
  std::span<const ByteOfUnit> encode;
};

std::span<const CodePage> CodePages();

// An RTF font character set (\fcharset) and its code page.
struct FontCharset {
  int charset;
  int codePage;
};

std::span<const FontCharset> FontCharsets();

}  // namespace tarnwick::mCase::data
