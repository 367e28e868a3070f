// bench-formatted-copier: copies each line of stdin (UTF-8) as a word processor or a browser
// does: the text, an "HTML Format" block and an RTF document that hold it with every fifth word
// bold; prints "ready" first, then the three blocks' sizes in bytes after each copy.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "HelperProgram.h"

namespace {

using helper::OpenClipboardRetrying;
using helper::PutBlock;
using helper::Say;

// The text's words, every fifth one inside `bold`'s two halves, each
// character through `escape`.
template <class Escape>
std::string Marked(const std::string& text, const char* open, const char* close, Escape escape) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  bool inBold = false;
  long word = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool boundary = i == text.size() || text[i] == ' ';
    if (boundary && inBold) out += close, inBold = false;
    if (i == text.size()) break;
    if (!boundary && (i == 0 || text[i - 1] == ' ') && ++word % 5 == 0) out += open, inBold = true;
    escape(out, text[i]);
  }
  return out;
}

std::string HtmlBlock(const std::string& text) {
  const std::string html =
      "<html><body>\r\n<!--StartFragment--><p>" +
      Marked(text, "<b>", "</b>", [](std::string& out, char c) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
      }) +
      "</p><!--EndFragment-->\r\n</body></html>";
  const char* format =
      "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\n"
      "EndFragment:%010zu\r\n";
  const std::size_t header = std::snprintf(nullptr, 0, format, std::size_t(0), std::size_t(0),
                                           std::size_t(0), std::size_t(0));
  const std::size_t start = html.find("<p>"), end = html.find("<!--EndFragment-->");
  std::string block(header + 1, '\0');
  std::snprintf(block.data(), block.size(), format, header, header + html.size(), header + start,
                header + end);
  block.resize(header);
  return block + html;
}

// ASCII as it is (backslash and braces escaped), anything else as \uN
// (UTF-16 units, signed) with '?' as its fallback.
std::string RtfDocument(const std::string& text) {
  char32_t pending = 0;
  int missing = 0;  // continuation bytes still to come
  const std::string body = Marked(text, "{\\b ", "}", [&](std::string& out, char byte) {
    const auto b = static_cast<unsigned char>(byte);
    if (b < 0x80) {
      if (b == '\\' || b == '{' || b == '}') out += '\\';
      out += byte;
      return;
    }
    if (b >= 0xC0) {
      missing = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
      pending = b & (0x3F >> missing);
      return;
    }
    pending = pending << 6 | (b & 0x3F);
    if (--missing != 0) return;
    char unit[16];
    const wchar_t units[2] = {
        static_cast<wchar_t>(pending > 0xFFFF ? 0xD800 + ((pending - 0x10000) >> 10) : pending),
        static_cast<wchar_t>(0xDC00 + ((pending - 0x10000) & 0x3FF))};
    for (int i = 0; i < (pending > 0xFFFF ? 2 : 1); ++i) {
      std::snprintf(unit, sizeof unit, "\\u%d?", static_cast<int>(static_cast<short>(units[i])));
      out += unit;
    }
  });
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
         "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs20 " + body + "\\par}";
}

// Copies each line as a program with formatted text does: the text, an
// "HTML Format" block and an RTF document; prints the three sizes.
void CopyFormatted(HWND owner, const std::string& line) {
  const std::wstring text = helper::Wide(line);
  const std::string html = HtmlBlock(line), rtf = RtfDocument(line);
  if (!OpenClipboardRetrying(owner, 2)) return;
  ::EmptyClipboard();
  PutBlock(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  PutBlock(::RegisterClipboardFormatW(L"HTML Format"), html.c_str(), html.size() + 1);
  PutBlock(::RegisterClipboardFormatW(L"Rich Text Format"), rtf.c_str(), rtf.size() + 1);
  ::CloseClipboard();
  Say(std::to_string((text.size() + 1) * sizeof(wchar_t)) + " " + std::to_string(html.size() + 1) +
      " " + std::to_string(rtf.size() + 1));
}

}  // namespace

int main() {
  HWND window = helper::MakeWindow(&::DefWindowProcW, L"Tarnwick.BenchCopier");
  Say("ready");
  helper::ServeUntilInputEnds([window](const std::string& line) { CopyFormatted(window, line); });
  return 0;
}
