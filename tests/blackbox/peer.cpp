// tarnwick-peer: the other clipboard programs around Tarnwick, most of them
// misbehaving. Each prints one line once it is in place, then obeys one
// command a line on stdin; the end of stdin ends it.
//
//   viewer [mute|late|lower]  joins the clipboard-viewer chain ("joined");
//       "count" prints the notifications seen since, "writes" the texts it
//       wrote, "next" the next viewer's handle, "rejoin" joins again at the
//       head, "leave" leaves. mute passes no notification on, late passes
//       each on after its own handler has returned, lower puts back in
//       lower case every text that is not (a competing converter). Killing
//       the process leaves the chain without a word.
//   owner promise|hang|raw FORMAT HEX|formats TEXT   takes the clipboard
//       ("owned"): a promise of text that renders nothing when asked, the
//       same promise by a thread that then answers no message, exactly the
//       bytes HEX as a block of FORMAT, or TEXT beside promises of "HTML
//       Format" and "Rich Text Format" that render nothing.
//   flood N PREFIX PAUSE_MS   copies "PREFIX i" N times; prints the
//       milliseconds taken and how often the clipboard was busy.
//   copier   copies each line of stdin (UTF-8) as a word processor or a
//       browser does: the text, an "HTML Format" block and an RTF document
//       that hold it with every fifth word bold; prints the three blocks'
//       sizes in bytes ("ready" first).
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "HelperProgram.h"

namespace {

using helper::OpenClipboardRetrying;
using helper::PutBlock;
using helper::Say;

constexpr UINT kPassOn = WM_APP + 2;  // a late notification to pass on now
constexpr UINT kLower = WM_APP + 3;   // look at the clipboard once the notice is done

struct {
  HWND self = nullptr, next = nullptr;
  std::wstring mode;
  bool joined = false;
  long notifications = 0, writes = 0;
} viewer;


// Empties the open clipboard and puts the block (null: a promise).
bool Put(UINT format, const void* data, std::size_t bytes) {
  ::EmptyClipboard();
  return PutBlock(format, data, bytes);
}

void LowerTheClipboard() {
  if (!OpenClipboardRetrying(viewer.self, 2)) return;
  HANDLE block = ::GetClipboardData(CF_UNICODETEXT);
  const auto* data = block ? static_cast<const wchar_t*>(::GlobalLock(block)) : nullptr;
  std::wstring text = data ? std::wstring(data, wcsnlen(data, ::GlobalSize(block) / 2)) : L"";
  if (data) ::GlobalUnlock(block);
  std::wstring lowered = text;
  if (!text.empty()) ::CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
  if (lowered != text && Put(CF_UNICODETEXT, lowered.c_str(), (lowered.size() + 1) * 2))
    ++viewer.writes;
  ::CloseClipboard();
}

void PassOn(UINT message, WPARAM wParam, LPARAM lParam) {
  if (viewer.next != nullptr) ::SendMessageW(viewer.next, message, wParam, lParam);
}

void Leave() {
  if (!viewer.joined) return;
  ::ChangeClipboardChain(viewer.self, viewer.next);
  viewer.next = nullptr;
  viewer.joined = false;
}

void Obey(const std::string& line) {
  if (line == "count") Say(std::to_string(viewer.notifications));
  if (line == "writes") Say(std::to_string(viewer.writes));
  if (line == "next") Say(std::to_string(reinterpret_cast<std::uintptr_t>(viewer.next)));
  if (line == "leave" || line == "rejoin") Leave();
  if (line == "rejoin") viewer.next = ::SetClipboardViewer(viewer.self), viewer.joined = true;
  if (line == "leave" || line == "rejoin") Say("done");
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      ++viewer.notifications;
      if (viewer.mode == L"late") ::PostMessageW(hwnd, kPassOn, wParam, lParam);
      if (viewer.mode != L"late" && viewer.mode != L"mute") PassOn(message, wParam, lParam);
      if (viewer.mode == L"lower") ::PostMessageW(hwnd, kLower, 0, 0);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == viewer.next) {
        viewer.next = reinterpret_cast<HWND>(lParam);
      } else {
        PassOn(message, wParam, lParam);
      }
      return 0;
    case kPassOn:
      PassOn(WM_DRAWCLIPBOARD, wParam, lParam);
      return 0;
    case kLower:
      LowerTheClipboard();
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

HWND MakeWindow(WNDPROC proc) { return helper::MakeWindow(proc, L"Tarnwick.Peer"); }

int Viewer(const wchar_t* mode) {
  viewer.mode = mode ? mode : L"";
  viewer.self = MakeWindow(&ViewerProc);
  viewer.next = ::SetClipboardViewer(viewer.self);
  viewer.joined = true;
  viewer.notifications = 0;  // the one that joining delivers does not count
  Say("joined");
  helper::ServeUntilInputEnds(&Obey);
  Leave();
  return 0;
}

int Owner(int argc, wchar_t** argv) {
  const std::wstring how = argc > 2 ? argv[2] : L"";
  const std::string bytes = argc > 4 ? helper::FromHex(argv[4]) : "";
  HWND owner = MakeWindow(&::DefWindowProcW);  // renders nothing when asked
  const bool raw = how == L"raw" && argc > 4;
  if (!OpenClipboardRetrying(owner, 2)) return 1;
  const std::wstring text = how == L"formats" && argc > 3 ? argv[3] : L"";
  const bool put = text.empty() ? Put(raw ? _wtoi(argv[3]) : CF_UNICODETEXT,
                                      raw ? bytes.data() : nullptr, bytes.size())
                                : Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * 2);
  for (const wchar_t* name : {L"HTML Format", L"Rich Text Format"})
    if (!text.empty()) ::SetClipboardData(::RegisterClipboardFormatW(name), nullptr);
  ::CloseClipboard();
  if (!put) return 1;
  Say("owned");
  if (how != L"hang") {
    helper::ServeUntilInputEnds([](const std::string&) {});
    return 0;
  }
  char buffer[64];  // no message loop: every request to render waits
  DWORD read = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
  }
  return 0;
}

// Copies as a program does; the clipboard may be held by the program that
// converts it, so opening and putting are tried again.
int Flood(long count, const std::wstring& prefix, DWORD pause) {
  long busy = 0, failures = 0;
  const DWORD start = ::GetTickCount();
  for (long i = 0; i < count; ++i, ::Sleep(pause)) {
    const std::wstring text = prefix + L" " + std::to_wstring(i);
    bool put = false;
    for (int attempt = 0; attempt < 20 && !put; ++attempt) {
      if (!OpenClipboardRetrying(nullptr, 2, &busy)) continue;
      put = Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * 2);
      ::CloseClipboard();
      busy += put ? 0 : 1;
    }
    failures += put ? 0 : 1;
  }
  Say(std::to_string(::GetTickCount() - start) + " " + std::to_string(busy));
  return failures == 0 ? 0 : 1;
}

// --- Copier ---------------------------------------------------------------------------

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

int Copier() {
  HWND window = MakeWindow(&::DefWindowProcW);
  Say("ready");
  helper::ServeUntilInputEnds([window](const std::string& line) { CopyFormatted(window, line); });
  return 0;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"viewer") return Viewer(argc > 2 ? argv[2] : nullptr);
  if (command == L"owner") return Owner(argc, argv);
  if (command == L"copier") return Copier();
  if (command == L"flood" && argc > 4) return Flood(_wtol(argv[2]), argv[3], _wtol(argv[4]));
  Say("usage: tarnwick-peer viewer [mute|late|lower] | owner promise|hang|raw FORMAT HEX|formats TEXT"
      " | flood N PREFIX PAUSE_MS | copier");
  return 2;
}

}  // namespace

int main() { return helper::RunWithArguments(&Run); }
