// tarnwick-driver: drives the real Tarnwick.exe from outside, as a user
// and another program would, for the black-box tests. One subcommand per
// run; results go to stdout as UTF-8, the exit code says whether it worked
// (0 done, 1 not found / timed out, 2 usage, 3 refused).
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DriverText.h"

namespace {

using namespace tarnwick::driver;

constexpr wchar_t kMainClass[] = L"Tarnwick.Form1";
constexpr wchar_t kTitle[] = L"Tarnwick";

// --- Text ------------------------------------------------------------------

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[1 << 16];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  ::CloseHandle(file);
  return bytes;
}

// --- Windows ---------------------------------------------------------------

HWND FindMain() { return ::FindWindowW(kMainClass, kTitle); }

HWND WaitFor(HWND (*find)(), DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND found = find()) return found;
    if (::GetTickCount() - start >= timeoutMs) return nullptr;
    ::Sleep(20);
  }
}

struct ChildSearch {
  std::wstring caption;
  std::wstring className;
  HWND found = nullptr;
  bool visibleOnly = false;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (search->visibleOnly && !::IsWindowVisible(child)) return TRUE;
  if (!search->className.empty() && _wcsicmp(ClassOf(child).c_str(), search->className.c_str()) != 0)
    return TRUE;
  if (!search->caption.empty() && WindowText(child) != search->caption) return TRUE;
  search->found = child;
  return FALSE;
}

HWND FindChild(HWND parent, const std::wstring& caption, const std::wstring& className,
               bool visibleOnly) {
  ChildSearch search{caption, className, nullptr, visibleOnly};
  ::EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Field(HWND main) { return FindChild(main, L"", L"Edit", false); }

// A control by caption, the visible one first (buttons and options share
// their captions; only one of each pair is shown at a time).
HWND ControlByCaption(HWND main, const std::wstring& caption) {
  if (HWND visible = FindChild(main, caption, L"", true)) return visible;
  return FindChild(main, caption, L"", false);
}

std::string RectText(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return text;
}

// Position relative to the main window's client area.
RECT ClientRectOf(HWND main, HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool IsShown(HWND control) { return ::IsWindowVisible(control) != FALSE; }

long CheckOf(HWND control) {
  DWORD_PTR state = 0;
  ::SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
  return static_cast<long>(state);
}

BOOL CALLBACK ListChild(HWND child, LPARAM param) {
  HWND main = reinterpret_cast<HWND>(param);
  const RECT r = ClientRectOf(main, child);
  const LONG style = ::GetWindowLongW(child, GWL_STYLE);
  const std::wstring cls = ClassOf(child);
  std::wstring caption = _wcsicmp(cls.c_str(), L"Edit") == 0 ? L"" : WindowText(child);
  char line[256];
  std::snprintf(line, sizeof line, "%d\t%s\t%d\t%ld\t0x%08lx\t", ::GetDlgCtrlID(child),
                RectText(r).c_str(), IsShown(child) ? 1 : 0, CheckOf(child),
                static_cast<unsigned long>(style));
  WriteLine(line + Utf8(cls) + "\t" + Utf8(caption));
  return TRUE;
}

// --- Message boxes -----------------------------------------------------------

struct BoxSearch {
  DWORD processId = 0;
  HWND found = nullptr;
};

BOOL CALLBACK MatchBox(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  if (ClassOf(hwnd) != L"#32770" || !::IsWindowVisible(hwnd)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND FindBox() {
  BoxSearch search;
  ::EnumWindows(&MatchBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The pixels of a window as the screen shows it (24-bit rows, top down).
std::vector<std::uint32_t> Pixels(HDC source, int left, int top, int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  HDC memory = ::CreateCompatibleDC(source);
  HBITMAP bitmap = ::CreateCompatibleBitmap(source, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels[y * width + x] = ::GetPixel(memory, x, y);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return pixels;
}

// The system icon drawn on the given background colour.
std::vector<std::uint32_t> IconPixels(HDC like, LPCWSTR id, int width, int height,
                                      COLORREF background) {
  HDC memory = ::CreateCompatibleDC(like);
  HBITMAP bitmap = ::CreateCompatibleBitmap(like, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  HBRUSH brush = ::CreateSolidBrush(background);
  RECT all{0, 0, width, height};
  ::FillRect(memory, &all, brush);
  ::DeleteObject(brush);
  ::DrawIconEx(memory, 0, 0, ::LoadIconW(nullptr, id), 0, 0, 0, nullptr, DI_NORMAL);
  std::vector<std::uint32_t> pixels = Pixels(memory, 0, 0, width, height);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return pixels;
}

// Which system icon a message box shows, told by its pixels: the icon is
// another process's handle, so only what is on the screen can be compared.
std::string IconName(HWND box) {
  // The icon control's id: 0x14 on Windows, 0x440 under Wine.
  HWND icon = ::GetDlgItem(box, 0x14);
  if (icon == nullptr) icon = ::GetDlgItem(box, 0x440);
  if (icon == nullptr) return "none";
  const int width = ::GetSystemMetrics(SM_CXICON), height = ::GetSystemMetrics(SM_CYICON);
  RECT place{};
  ::GetWindowRect(icon, &place);
  HDC screen = ::GetDC(nullptr);  // another process's window: read the screen
  const std::vector<std::uint32_t> shown = Pixels(screen, place.left, place.top, width, height);
  const COLORREF background = ::GetSysColor(COLOR_BTNFACE);
  const struct {
    LPCWSTR id;
    const char* name;
  } kIcons[] = {{IDI_INFORMATION, "information"}, {IDI_EXCLAMATION, "exclamation"},
                {IDI_ERROR, "error"}, {IDI_QUESTION, "question"}};
  std::string best = "other";
  std::size_t bestSame = shown.size() * 9 / 10;  // at least 90 % of the pixels
  for (const auto& candidate : kIcons) {
    const auto drawn = IconPixels(screen, candidate.id, width, height, background);
    std::size_t same = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) same += shown[i] == drawn[i];
    if (same > bestSame) {
      bestSame = same;
      best = candidate.name;
    }
  }
  ::ReleaseDC(nullptr, screen);
  return best;
}

// --- Clipboard ---------------------------------------------------------------

// Up to 10 s: Wine's X11 bridge can hold the clipboard open for seconds
// while it fetches a selection, longer on a busy machine.
bool OpenClipboardRetrying() {
  for (int i = 0; i < 500; ++i) {
    if (::OpenClipboard(nullptr)) return true;
    ::Sleep(20);
  }
  return false;
}

bool PutBlock(UINT format, const void* data, std::size_t bytes) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (block == nullptr) return false;
  std::memcpy(::GlobalLock(block), data, bytes);
  ::GlobalUnlock(block);
  if (::SetClipboardData(format, block) == nullptr) {
    ::GlobalFree(block);
    return false;
  }
  return true;
}

std::string GetBlock(UINT format) {
  std::string bytes;
  HANDLE block = ::GetClipboardData(format);
  if (block == nullptr) return bytes;
  const void* data = ::GlobalLock(block);
  if (data != nullptr) bytes.assign(static_cast<const char*>(data), ::GlobalSize(block));
  ::GlobalUnlock(block);
  return bytes;
}

// A small 4x2 24-bit DIB whose every byte is known.
std::string TestBitmap() {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = 4;
  header.biHeight = 2;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = 4 * 3 * 2;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  for (int i = 0; i < 24; ++i) bytes.push_back(static_cast<char>(i * 11 + 7));
  return bytes;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

int SetText(const std::wstring& text, const wchar_t* privateMark) {
  if (!OpenClipboardRetrying()) return 1;
  ::EmptyClipboard();
  bool ok = PutBlock(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  if (privateMark != nullptr) {
    const DWORD zero = 0;
    ok = ok && PutBlock(::RegisterClipboardFormatW(privateMark), &zero, sizeof zero);
  }
  ::CloseClipboard();
  return ok ? 0 : 1;
}

// Copies `text` and waits until Tarnwick's field shows it; prints the
// milliseconds from the copy's end until then.
int SetTextTimed(const std::wstring& text, DWORD timeoutMs) {
  const HWND field = Field(FindMain());
  if (field == nullptr || SetText(text, nullptr) != 0) return 1;
  const DWORD copied = ::GetTickCount();
  while (WindowText(field) != text) {
    if (::GetTickCount() - copied >= timeoutMs) return 1;
    ::Sleep(2);
  }
  WriteLine(std::to_string(::GetTickCount() - copied));
  return 0;
}

// --- Subcommands -------------------------------------------------------------

int Usage() {
  WriteLine(
      "usage: tarnwick-driver find | wait [ms] | wait-gone [ms] | controls | field | field-length\n"
      "  | rect | topmost | press CAPTION | move X Y | close | count-windows\n"
      "  | msgbox [ms] | msgbox-dismiss [ms] | window CAPTION [ms] | close-window CAPTION\n"
      "  | clip-set TEXT | clip-set-shown TEXT [ms] | clip-set-file PATH\n"
      "  | clip-set-private FORMAT TEXT | clip-get\n"
      "  | clip-prefix N"
      "  | clip-set-bitmap | clip-get-bitmap | clip-test-bitmap | clip-formats\n"
      "  | clip-hold MS | clip-seq | clip-owner-is-tarnwick | hold-desktop");
  return 2;
}

DWORD MsArg(int argc, wchar_t** argv, int index, DWORD fallback) {
  return argc > index ? static_cast<DWORD>(_wtoi(argv[index])) : fallback;
}

int Run(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];

  if (command == L"find") {
    HWND main = FindMain();
    if (main == nullptr) return 1;
    WriteLine(std::to_string(reinterpret_cast<std::uintptr_t>(main)));
    return 0;
  }
  if (command == L"hold-desktop") {
    // Keeps the session's desktop in use until the session ends. Wine closes
    // an unused desktop, and the test that next shows a window starts it
    // again as its own child, which holds that test's output open for as
    // long as the desktop lives.
    ::GetDesktopWindow();
    ::Sleep(INFINITE);
    return 0;
  }
  if (command == L"wait") return WaitFor(&FindMain, MsArg(argc, argv, 2, 10000)) ? 0 : 1;
  if (command == L"wait-gone") {
    const DWORD start = ::GetTickCount();
    while (FindMain() != nullptr) {
      if (::GetTickCount() - start >= MsArg(argc, argv, 2, 10000)) return 1;
      ::Sleep(20);
    }
    return 0;
  }
  if (command == L"count-windows") {
    int count = 0;
    for (HWND w = ::FindWindowExW(nullptr, nullptr, kMainClass, nullptr); w != nullptr;
         w = ::FindWindowExW(nullptr, w, kMainClass, nullptr)) {
      ++count;
    }
    WriteLine(std::to_string(count));
    return 0;
  }
  if ((command == L"window" || command == L"close-window") && argc > 2) {
    static std::wstring caption;
    caption = argv[2];
    HWND found = WaitFor([] { return ::FindWindowW(nullptr, caption.c_str()); },
                         command == L"window" ? MsArg(argc, argv, 3, 5000) : 0);
    if (found == nullptr) return 1;
    WriteLine(Utf8(ClassOf(found)) + "\t" + (::IsWindowVisible(found) ? "1" : "0"));
    if (command == L"close-window") ::PostMessageW(found, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command.rfind(L"msgbox", 0) == 0) {
    HWND box = WaitFor(&FindBox, MsArg(argc, argv, 2, 5000));
    if (box == nullptr) return 1;
    HWND text = ::GetDlgItem(box, 0xFFFF);
    // A box that has just appeared may not be painted yet.
    std::string icon = IconName(box);
    for (int i = 0; i < 20 && (icon == "other" || icon == "none"); ++i) {
      ::Sleep(50);
      icon = IconName(box);
    }
    WriteLine(Utf8(WindowText(box)) + "\t" + icon + "\t" +
              Utf8(text ? WindowText(text) : L""));
    if (command == L"msgbox-dismiss") {
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      const DWORD start = ::GetTickCount();
      while (::IsWindow(box) && ::GetTickCount() - start < 5000) ::Sleep(20);
    }
    return 0;
  }
  if (command == L"squat-name" && argc > 3) {
    // An object of another kind under the name of Tarnwick's instance lock.
    HANDLE squatter = ::CreateEventW(nullptr, TRUE, FALSE, argv[2]);
    if (squatter == nullptr) return 1;
    WriteLine("held");
    ::Sleep(MsArg(argc, argv, 3, 1000));
    ::CloseHandle(squatter);
    return 0;
  }
  if (command.rfind(L"clip-", 0) == 0) {
    if (command == L"clip-seq") {
      WriteLine(std::to_string(::GetClipboardSequenceNumber()));
      return 0;
    }
    if (command == L"clip-set" && argc > 2) return SetText(argv[2], nullptr);
    if (command == L"clip-set-shown" && argc > 2)
      return SetTextTimed(argv[2], MsArg(argc, argv, 3, 10000));
    if (command == L"clip-set-file" && argc > 2) return SetText(Wide(ReadFileBytes(argv[2])), nullptr);
    if (command == L"clip-set-private" && argc > 3) return SetText(argv[3], argv[2]);
    if (command == L"clip-hold" && argc > 2) {
      if (!OpenClipboardRetrying()) return 1;
      WriteLine("held");
      ::Sleep(MsArg(argc, argv, 2, 1000));
      ::CloseClipboard();
      return 0;
    }
    if (!OpenClipboardRetrying()) return 1;
    int rc = 0;
    if (command == L"clip-get" || command == L"clip-prefix") {
      std::string block = GetBlock(CF_UNICODETEXT);
      std::wstring text(reinterpret_cast<const wchar_t*>(block.data()), block.size() / 2);
      text.resize(wcsnlen(text.c_str(), text.size()));
      if (command == L"clip-prefix") text.resize(std::min<std::size_t>(text.size(), MsArg(argc, argv, 2, 64)));
      Write(Utf8(text));
    } else if (command == L"clip-set-bitmap") {
      ::EmptyClipboard();
      const std::string bitmap = TestBitmap();
      rc = PutBlock(CF_DIB, bitmap.data(), bitmap.size()) ? 0 : 1;
    } else if (command == L"clip-get-bitmap") {
      const std::string block = GetBlock(CF_DIB);
      WriteLine(Hex(block.substr(0, std::min(block.size(), TestBitmap().size()))));
    } else if (command == L"clip-test-bitmap") {
      WriteLine(Hex(TestBitmap()));
    } else if (command == L"clip-formats") {
      for (UINT f = ::EnumClipboardFormats(0); f != 0; f = ::EnumClipboardFormats(f)) {
        wchar_t name[128] = {};
        ::GetClipboardFormatNameW(f, name, 128);
        WriteLine(std::to_string(f) + "\t" + Utf8(name));
      }
    } else if (command == L"clip-owner-is-tarnwick") {
      rc = ::GetClipboardOwner() != nullptr && ::GetClipboardOwner() == FindMain() ? 0 : 1;
    } else {
      rc = Usage();
    }
    ::CloseClipboard();
    return rc;
  }

  HWND main = FindMain();
  if (main == nullptr) return 1;
  if (command == L"controls") {
    ::EnumChildWindows(main, &ListChild, reinterpret_cast<LPARAM>(main));
    return 0;
  }
  if (command == L"field") {
    Write(Utf8(WindowText(Field(main))));
    return 0;
  }
  if (command == L"field-length") {
    WriteLine(std::to_string(WindowText(Field(main)).size()));
    return 0;
  }
  if (command == L"rect") {
    RECT outer{}, client{};
    ::GetWindowRect(main, &outer);
    ::GetClientRect(main, &client);
    ::MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    WriteLine(RectText(outer) + " " + RectText(client));
    return 0;
  }
  if (command == L"topmost") {
    WriteLine((::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0");
    return 0;
  }
  if (command == L"move" && argc > 3) {
    ::SetWindowPos(main, nullptr, _wtoi(argv[2]), _wtoi(argv[3]), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  if (command == L"close") {
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"press" && argc > 2) {
    HWND control = ControlByCaption(main, argv[2]);
    if (control == nullptr) return 1;
    if (!IsShown(control)) return 3;  // a user cannot press a hidden control
    DWORD_PTR ignored = 0;
    // Synchronous, so the command has run when the driver returns; a
    // message box it opens ends the wait.
    ::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 20000, &ignored);
    return 0;
  }
  return Usage();
}

}  // namespace

int main() { return tarnwick::driver::RunWithWideArguments(Run); }
