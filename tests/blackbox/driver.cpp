// tarnwick-driver: drives the real Tarnwick.exe from outside, as a user and the other programs
// of the desktop would. One subcommand per run (or per line of stdin after `serve`); output is
// UTF-8, one record a line, fields by tabs; exit code 0 done, 1 not found or failed, 2 usage,
// 3 refused (a hidden control). WINDOW is "main" (Tarnwick's main window, shown or not), "box"
// (a shown message box) or the caption of a shown top-level window.
//   wait WINDOW [ms]       waits for it: count, owner's caption ("-": none shown), main window
//                          ("none", "enabled", "disabled"), enabled, topmost, extended style,
//                          frame and client area (screen: left top width height), handle
//   gone WINDOW [ms]       waits until there is none
//   controls WINDOW [dll]  each control: id, class, visible, check, style, place in the client
//                          area, text extent, ideal size, themed (the last three measured inside
//                          the program by the hook of dll), text (none for the field)
//   field | press CAPTION  the field's text | clicks the main window's shown control of that
//                          caption, returning when its command is done
//   click WINDOW ID | key WINDOW return|escape | close WINDOW | move X Y
//   loop WINDOW            the system loop of the window's thread: "move", "menu" or "none"
//   msgbox [ms] [dismiss]  caption, icon and text of the message box shown
//   clip-set TEXT [MARK]   copies TEXT, with the private format MARK beside it
//   clip-formats TEXT HTML RTF [MARK]  copies TEXT, an "HTML Format" and a "Rich Text Format"
//                          block (hex, a NUL added) and MARK; "-" leaves one out; MARK may
//                          list formats by commas, "#N=V" the standard format N holding the
//                          DWORD V (CF_LOCALE: #16)
//   clip-format NAME       the block of the registered format NAME (standard format N: "#N")
//   clip-rich-copy RTF     a rich edit control loads RTF (hex), selects all and copies
//   clip-rich-paste        a new rich edit control pastes: each run of bold, italic and colour
//                          (start, end, bold, italic, colour or "auto"), a line "text", the text
//   clip-shown TEXT        copies TEXT; prints the ms until the field shows it
//   clip-get [N] | clip-state  the clipboard text (its first N characters) | sequence number,
//                          and 1 when Tarnwick owns it
//   clip-bitmap put|same   a known bitmap; same: exit 0 when it is unchanged
//   hold clipboard|file PATH|name NAME   holds it until stdin ends ("held")
//   deny DLL CLASS         refuses windows of CLASS in every program (the hook of DLL) until
//                          stdin ends ("hooked")
//   limit-memory DLL BYTES Tarnwick's blocks for the clipboard fail from BYTES up (0: no limit)
//   facts | resources      DPI, work area, Documents folder | Tarnwick's windows (top-level and
//                          child) and handle count
//   record ARGS            appends ARGS to the file TARNWICK_SHELL_LOG names (the stand-in for
//                          the programs the shell starts)
//   hold-desktop           keeps the session's desktop in use
#include <windows.h>

#include <ole2.h>
#include <richedit.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "HelperProgram.h"

namespace {

using std::string;
using std::wstring;

string Utf8(const wstring& text) {
  string out(text.size() * 3, '\0');
  out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   out.data(), static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}

string* captured = nullptr;  // the output of a served subcommand

void Write(const string& bytes) {
  if (captured != nullptr) {
    captured->append(bytes);
    return;
  }
  DWORD written = 0;
  for (std::size_t done = 0; done < bytes.size(); done += written) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data() + done, chunk, &written,
                     nullptr) || written == 0)
      return;
  }
}

void Line(const string& line) { Write(line + "\n"); }

string Rect(const RECT& r) {
  char text[64];
  std::snprintf(text, sizeof text, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return text;
}

// Asked with a time-out, so that a hung window cannot hang the driver.
wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0, copied = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length))
    return {};
  wstring text(length + 1, L'\0');
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 20000, &copied);
  text.resize(copied);
  return text;
}

wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  ::GetClassNameW(hwnd, name, 128);
  return name;
}

// --- Windows -------------------------------------------------------------------------

struct Search {
  wstring which;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  const wstring cls = ClassOf(hwnd);
  const bool match = search->which == L"main" ? cls == L"Tarnwick.Form1"
                     : !::IsWindowVisible(hwnd) ? false
                     : search->which == L"box" ? cls == L"#32770"
                                               : TextOf(hwnd) == search->which;
  if (match) search->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Windows(const wstring& which) {
  Search search{which, {}};
  ::EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND MainWindow() {
  const auto mains = Windows(L"main");
  return mains.empty() ? nullptr : mains.front();
}

// The hook `name` of the library `dll` on a thread (0: every thread), or
// nullptr.
HHOOK SetHook(const wchar_t* dll, const char* name, int type, DWORD thread) {
  HMODULE module = ::LoadLibraryW(dll);
  auto proc = module ? reinterpret_cast<HOOKPROC>(
                           reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                     : nullptr;
  return proc ? ::SetWindowsHookExW(type, proc, module, thread) : nullptr;
}

// Waits up to ms until a window named by `which` is there (or, there = false,
// until none is); the first one found, or nullptr.
HWND Wait(const wstring& which, DWORD ms, bool there = true) {
  for (const DWORD start = ::GetTickCount();; ::Sleep(20)) {
    const auto found = Windows(which);
    if (found.empty() != there) return there ? found.front() : ::GetDesktopWindow();
    if (::GetTickCount() - start >= ms) return nullptr;
  }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  ::EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

int Describe(HWND window, const wstring& which) {
  HWND owner = ::GetWindow(window, GW_OWNER), mainWindow = MainWindow();
  const char* main = !mainWindow ? "none" : ::IsWindowEnabled(mainWindow) ? "enabled" : "disabled";
  RECT frame{}, client{};
  ::GetWindowRect(window, &frame);
  ::GetClientRect(window, &client);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const LONG ex = ::GetWindowLongW(window, GWL_EXSTYLE);
  char flags[64];
  std::snprintf(flags, sizeof flags, "\t%s\t%d\t%d\t%08lx\t", main,
                ::IsWindowEnabled(window) ? 1 : 0,
                (ex & WS_EX_TOPMOST) ? 1 : 0, static_cast<unsigned long>(ex));
  Line(std::to_string(Windows(which).size()) + "\t" +
       (owner && ::IsWindowVisible(owner) ? Utf8(TextOf(owner)) : "-") + flags + Rect(frame) +
       "\t" + Rect(client) + "\t" + std::to_string(reinterpret_cast<std::uintptr_t>(window)));
  return 0;
}

SIZE TakeSize(HWND control, const wchar_t* property) {
  const auto packed = reinterpret_cast<DWORD_PTR>(::RemovePropW(control, property));
  return SIZE{LOWORD(packed), HIWORD(packed)};
}

int Controls(HWND window, const wchar_t* dll) {
  HHOOK hook = dll ? SetHook(dll, "MeasureText", WH_CALLWNDPROC,
                             ::GetWindowThreadProcessId(window, nullptr))
                   : nullptr;
  if (dll != nullptr && hook == nullptr) return 1;
  static const UINT measure = ::RegisterWindowMessageW(L"Tarnwick.MeasureText");
  for (HWND child : Children(window)) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    DWORD_PTR check = 0;
    ::SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check);
    if (hook) ::SendMessageTimeoutW(child, measure, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    const SIZE extent = TakeSize(child, L"Tarnwick.TextExtent");
    const SIZE ideal = TakeSize(child, L"Tarnwick.IdealSize");
    const bool themed = ::RemovePropW(child, L"Tarnwick.Themed") != nullptr;
    const wstring cls = ClassOf(child);
    wstring text = _wcsicmp(cls.c_str(), L"Edit") == 0 ? L"" : TextOf(child);
    for (auto& c : text) c = c == L'\t' || c == L'\r' || c == L'\n' ? L' ' : c;
    char head[192];
    std::snprintf(head, sizeof head, "%d\t%s\t%d\t%ld\t%08lx\t%s\t%ld %ld\t%ld %ld\t%d\t",
                  ::GetDlgCtrlID(child), Utf8(cls).c_str(), ::IsWindowVisible(child) ? 1 : 0,
                  static_cast<long>(check),
                  static_cast<unsigned long>(::GetWindowLongW(child, GWL_STYLE)), Rect(r).c_str(),
                  extent.cx, extent.cy, ideal.cx, ideal.cy, themed ? 1 : 0);
    Line(head + Utf8(text));
  }
  if (hook) ::UnhookWindowsHookEx(hook);
  return 0;
}

// The first child of the window that `pick` accepts, or nullptr.
template <class Pick>
HWND ChildWhere(HWND window, Pick pick) {
  for (HWND child : Children(window))
    if (pick(child)) return child;
  return nullptr;
}

HWND Field(HWND main) {
  return ChildWhere(main, [](HWND c) { return _wcsicmp(ClassOf(c).c_str(), L"Edit") == 0; });
}

// The visible one first: buttons and options share their captions, and
// only one of each pair is shown at a time.
HWND ControlByCaption(HWND window, const wstring& caption) {
  HWND shown =
      ChildWhere(window, [&](HWND c) { return ::IsWindowVisible(c) && TextOf(c) == caption; });
  return shown ? shown : ChildWhere(window, [&](HWND c) { return TextOf(c) == caption; });
}

int Key(HWND window, const wstring& key) {
  const WPARAM vk = key == L"escape" ? VK_ESCAPE : VK_RETURN;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  HWND target = ::GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : window;
  ::PostMessageW(target, WM_KEYDOWN, vk, 1);
  ::PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
  return 0;
}

int SystemLoop(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return 1;
  Line((info.flags & GUI_INMOVESIZE) ? "move" : (info.flags & GUI_INMENUMODE) ? "menu" : "none");
  return 0;
}

int Click(HWND control) {
  if (control == nullptr) return 1;
  RECT r{};
  ::GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(control, WM_LBUTTONUP, 0, at);
  return 0;
}

// --- Message boxes -------------------------------------------------------------------

// A screen area's pixels, or a system icon's drawn on the dialog colour.
std::vector<COLORREF> Pixels(HDC source, int left, int top, int size, LPCWSTR icon) {
  HDC memory = ::CreateCompatibleDC(source);
  HBITMAP bitmap = ::CreateCompatibleBitmap(source, size, size);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  if (icon != nullptr) {
    RECT all{0, 0, size, size};
    ::FillRect(memory, &all, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawIconEx(memory, 0, 0, ::LoadIconW(nullptr, icon), 0, 0, 0, nullptr, DI_NORMAL);
  } else {
    ::BitBlt(memory, 0, 0, size, size, source, left, top, SRCCOPY);
  }
  std::vector<COLORREF> pixels;
  for (int i = 0; i < size * size; ++i) pixels.push_back(::GetPixel(memory, i % size, i / size));
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return pixels;
}

// Which system icon the box shows, told by the screen: the icon is another
// process's handle. The icon control is 0x14 on Windows, 0x440 under Wine.
string IconName(HWND box) {
  HWND icon = ::GetDlgItem(box, 0x14) ? ::GetDlgItem(box, 0x14) : ::GetDlgItem(box, 0x440);
  if (icon == nullptr) return "none";
  RECT place{};
  ::GetWindowRect(icon, &place);
  HDC screen = ::GetDC(nullptr);
  const int size = ::GetSystemMetrics(SM_CXICON);
  const auto shown = Pixels(screen, place.left, place.top, size, nullptr);
  const std::pair<LPCWSTR, const char*> icons[] = {{IDI_INFORMATION, "information"},
      {IDI_EXCLAMATION, "exclamation"}, {IDI_ERROR, "error"}, {IDI_QUESTION, "question"}};
  string best = "other";
  std::size_t bestSame = shown.size() * 9 / 10;  // at least 90 % of the pixels
  for (const auto& [id, name] : icons) {
    const auto drawn = Pixels(screen, 0, 0, size, id);
    std::size_t same = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) same += shown[i] == drawn[i];
    if (same > bestSame) bestSame = same, best = name;
  }
  ::ReleaseDC(nullptr, screen);
  return best;
}

int ReadMessageBox(DWORD ms, bool dismiss) {
  HWND box = Wait(L"box", ms);
  if (box == nullptr) return 1;
  string icon = IconName(box);
  for (int i = 0; i < 20 && (icon == "other" || icon == "none"); ++i) {
    ::Sleep(50);  // not painted yet
    icon = IconName(box);
  }
  HWND text = ::GetDlgItem(box, 0xFFFF);
  Line(Utf8(TextOf(box)) + "\t" + icon + "\t" + Utf8(text ? TextOf(text) : L""));
  if (dismiss) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (const DWORD start = ::GetTickCount(); ::IsWindow(box) && ::GetTickCount() - start < 5000;)
      ::Sleep(20);
  }
  return 0;
}

// --- Clipboard -----------------------------------------------------------------------

using helper::PutBlock;

// Up to 10 s: Wine's X11 bridge can hold the clipboard open for seconds
// while it fetches a selection.
bool OpenClipboardRetrying() { return helper::OpenClipboardRetrying(nullptr, 20); }

string Block(UINT format) {
  HANDLE block = ::GetClipboardData(format);
  const char* data = block ? static_cast<const char*>(::GlobalLock(block)) : nullptr;
  if (data == nullptr) return {};
  string bytes(data, ::GlobalSize(block));
  ::GlobalUnlock(block);
  return bytes;
}

// A format by its name, or by its number after '#'.
UINT FormatNamed(const wchar_t* name) {
  return name[0] == L'#' ? static_cast<UINT>(_wtoi(name + 1)) : ::RegisterClipboardFormatW(name);
}

// One copy: the text and the formatted blocks that are given, and the marks
// (comma-separated, each "NAME" holding 0 or "#N=V").
int SetCopy(const wchar_t* text, const string* html, const string* rtf, const wchar_t* mark) {
  if (!OpenClipboardRetrying()) return 1;
  ::EmptyClipboard();
  bool ok = text == nullptr || PutBlock(CF_UNICODETEXT, text, (wcslen(text) + 1) * sizeof(wchar_t));
  for (const auto& [name, block] : {std::pair{L"HTML Format", html}, {L"Rich Text Format", rtf}}) {
    if (block != nullptr) ok = ok && PutBlock(::RegisterClipboardFormatW(name), block->c_str(), block->size() + 1);
  }
  for (wstring marks = mark != nullptr ? mark : L""; ok && !marks.empty();) {
    const std::size_t end = std::min(marks.find(L','), marks.size());
    const wstring one = marks.substr(0, end);
    const std::size_t equals = one.find(L'=');
    const DWORD value = equals == wstring::npos ? 0 : static_cast<DWORD>(_wtol(one.c_str() + equals + 1));
    ok = PutBlock(FormatNamed(one.substr(0, equals).c_str()), &value, sizeof value);
    marks.erase(0, std::min(end + 1, marks.size()));
  }
  ::CloseClipboard();
  return ok ? 0 : 1;
}

int SetText(const wstring& text, const wchar_t* mark) {
  return SetCopy(text.c_str(), nullptr, nullptr, mark);
}

int SetFormats(int argc, wchar_t** argv) {
  const auto given = [&](int i) { return argc > i && wstring(argv[i]) != L"-"; };
  const string html = given(3) ? helper::FromHex(argv[3]) : "",
               rtf = given(4) ? helper::FromHex(argv[4]) : "";
  return SetCopy(given(2) ? argv[2] : nullptr, given(3) ? &html : nullptr,
                 given(4) ? &rtf : nullptr, argc > 5 ? argv[5] : nullptr);
}

// --- Rich edit -----------------------------------------------------------------------

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
  auto* rest = reinterpret_cast<string*>(cookie);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(wanted), rest->size());
  std::memcpy(buffer, rest->data(), n);
  rest->erase(0, n);
  *got = static_cast<LONG>(n);
  return 0;
}

// The system's rich edit control (riched20), in a hidden window of its own;
// it copies and pastes through OLE.
HWND MakeRichEdit() {
  if (FAILED(::OleInitialize(nullptr)) || ::LoadLibraryW(L"riched20.dll") == nullptr)
    return nullptr;
  return ::CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_POPUP | ES_MULTILINE, 0, 0, 400, 300,
                           nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

int RichEditCopy(const string& rtf) {
  HWND edit = MakeRichEdit();
  if (edit == nullptr) return 1;
  string rest = rtf;
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rest), 0, &ReadStream};
  ::SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  ::SendMessageW(edit, EM_SETSEL, 0, -1);
  ::SendMessageW(edit, WM_COPY, 0, 0);
  // The program ends now: its copy must outlive it.
  const bool flushed = SUCCEEDED(::OleFlushClipboard());
  ::DestroyWindow(edit);
  return flushed ? 0 : 1;
}

int RichEditPaste() {
  HWND edit = MakeRichEdit();
  if (edit == nullptr) return 1;
  ::SendMessageW(edit, WM_PASTE, 0, 0);
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const auto n = static_cast<long>(::SendMessageW(edit, EM_GETTEXTLENGTHEX,
                                                  reinterpret_cast<WPARAM>(&length), 0));
  string runs, last;
  long start = 0;
  for (long i = 0; i <= n; ++i) {
    string format;
    if (i < n) {
      ::SendMessageW(edit, EM_SETSEL, i, i + 1);
      CHARFORMAT2W cf{};
      cf.cbSize = sizeof cf;
      cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_COLOR;
      ::SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
      format = std::to_string((cf.dwEffects & CFE_BOLD) ? 1 : 0) + "\t" +
               std::to_string((cf.dwEffects & CFE_ITALIC) ? 1 : 0) + "\t" +
               ((cf.dwEffects & CFE_AUTOCOLOR) ? string("auto") : std::to_string(cf.crTextColor));
    }
    if (i > 0 && format != last) {
      runs += std::to_string(start) + "\t" + std::to_string(i) + "\t" + last + "\n";
      start = i;
    }
    last = format;
  }
  wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                nullptr};
  text.resize(static_cast<std::size_t>(::SendMessageW(edit, EM_GETTEXTEX,
                                                      reinterpret_cast<WPARAM>(&get),
                                                      reinterpret_cast<LPARAM>(text.data()))));
  Write(runs + "text\n" + Utf8(text));
  ::DestroyWindow(edit);
  return 0;
}

// A 4x2 24-bit DIB whose every byte is known.
string TestBitmap() {
  BITMAPINFOHEADER header{sizeof header, 4, 2, 1, 24, BI_RGB, 24, 0, 0, 0, 0};
  string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  for (int i = 0; i < 24; ++i) bytes.push_back(static_cast<char>(i * 11 + 7));
  return bytes;
}

int Clipboard(const wstring& command, int argc, wchar_t** argv) {
  if (command == L"clip-set" && argc > 2) return SetText(argv[2], argc > 3 ? argv[3] : nullptr);
  if (command == L"clip-formats" && argc > 4) return SetFormats(argc, argv);
  if (command == L"clip-rich-copy" && argc > 2) return RichEditCopy(helper::FromHex(argv[2]));
  if (command == L"clip-rich-paste") return RichEditPaste();
  if (command == L"clip-shown" && argc > 2) {
    HWND main = MainWindow(), field = main ? Field(main) : nullptr;
    if (field == nullptr || SetText(argv[2], nullptr) != 0) return 1;
    const DWORD copied = ::GetTickCount();
    while (TextOf(field) != argv[2]) {
      if (::GetTickCount() - copied > 10000) return 1;
      ::Sleep(2);
    }
    Line(std::to_string(::GetTickCount() - copied));
    return 0;
  }
  if (!OpenClipboardRetrying()) return 1;
  int status = 0;
  if (command == L"clip-get") {
    const string block = Block(CF_UNICODETEXT);
    wstring text(reinterpret_cast<const wchar_t*>(block.data()), block.size() / 2);
    text.resize(wcsnlen(text.c_str(), text.size()));
    if (argc > 2) text.resize(std::min<std::size_t>(text.size(), _wtoi(argv[2])));
    Write(Utf8(text));
  } else if (command == L"clip-format" && argc > 2) {
    const UINT format = FormatNamed(argv[2]);
    status = ::IsClipboardFormatAvailable(format) ? 0 : 1;
    Write(Block(format));
  } else if (command == L"clip-state") {
    const bool ours = MainWindow() != nullptr && ::GetClipboardOwner() == MainWindow();
    Line(std::to_string(::GetClipboardSequenceNumber()) + (ours ? "\t1" : "\t0"));
  } else if (command == L"clip-bitmap" && argc > 2 && argv[2] == wstring(L"put")) {
    ::EmptyClipboard();
    status = PutBlock(CF_DIB, TestBitmap().data(), TestBitmap().size()) ? 0 : 1;
  } else if (command == L"clip-bitmap") {
    status = Block(CF_DIB).compare(0, TestBitmap().size(), TestBitmap()) == 0 ? 0 : 1;
  } else {
    status = 2;
  }
  ::CloseClipboard();
  return status;
}

// --- Holding on ----------------------------------------------------------------------

// Says `what`, then holds on, dispatching messages, until the test closes
// standard input.
int UntilInputEnds(const char* what) {
  Line(what);
  helper::ServeUntilInputEnds([](const string&) {});
  return 0;
}

int Hold(const wstring& what, const wchar_t* name) {
  if (what == L"clipboard") return OpenClipboardRetrying() ? UntilInputEnds("held") : 1;
  HANDLE held = what == L"name" ? ::CreateEventW(nullptr, TRUE, FALSE, name)
                                : ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == nullptr || held == INVALID_HANDLE_VALUE) return 1;
  return UntilInputEnds("held");
}

// The rule of what to refuse: the hook reads it where it runs, which under
// Wine is this process.
int Deny(const wchar_t* dll, const wchar_t* rule) {
  ::SetEnvironmentVariableW(L"TARNWICK_DENY_WINDOW", rule);
  HHOOK hook = SetHook(dll, "DenyWindow", WH_CBT, 0);
  if (hook == nullptr) return 1;
  UntilInputEnds("hooked");
  ::UnhookWindowsHookEx(hook);
  return 0;
}

// The hook runs in Tarnwick's thread when its window gets the message.
int LimitMemory(const wchar_t* dll, LPARAM bytes) {
  HWND main = MainWindow();
  HHOOK hook = main ? SetHook(dll, "LimitGlobalAlloc", WH_CALLWNDPROC,
                              ::GetWindowThreadProcessId(main, nullptr))
                    : nullptr;
  if (hook == nullptr) return 1;
  static const UINT limit = ::RegisterWindowMessageW(L"Tarnwick.LimitGlobalAlloc");
  const bool sent =
      ::SendMessageTimeoutW(main, limit, 0, bytes, SMTO_ABORTIFHUNG, 5000, nullptr) != 0;
  ::UnhookWindowsHookEx(hook);
  return sent ? 0 : 1;
}

// --- Facts ---------------------------------------------------------------------------

int Facts() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  wchar_t documents[MAX_PATH + 1] = {};
  ::SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE);
  Line(std::to_string(dpi) + "\t" + Rect(work) + "\t" + Utf8(documents));
  return 0;
}

// The handle count that the system's process list keeps for a process.
long ListedHandles(DWORD pid) {
  using Query = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  string buffer(1 << 20, '\0');
  if (query == nullptr ||
      query(SystemProcessInformation, buffer.data(), ULONG(buffer.size()), nullptr) < 0)
    return -1;
  for (std::size_t offset = 0;;) {
    const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&buffer[offset]);
    if (reinterpret_cast<std::uintptr_t>(entry->UniqueProcessId) == pid) return entry->HandleCount;
    if (entry->NextEntryOffset == 0) return -1;
    offset += entry->NextEntryOffset;
  }
}

struct ProcessWindows {
  DWORD pid;
  long count;
};

BOOL CALLBACK CountProcessWindows(HWND hwnd, LPARAM param) {
  auto* windows = reinterpret_cast<ProcessWindows*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == windows->pid) windows->count += 1 + static_cast<long>(Children(hwnd).size());
  return TRUE;
}

// The windows of a process, shown or not, with their child windows: the
// USER objects a leak would pile up. (GetGuiResources answers 0 under Wine.)
long WindowCount(DWORD pid) {
  ProcessWindows windows{pid, 0};
  ::EnumWindows(&CountProcessWindows, reinterpret_cast<LPARAM>(&windows));
  return windows.count;
}

int Resources() {
  DWORD pid = 0;
  if (MainWindow() == nullptr || !::GetWindowThreadProcessId(MainWindow(), &pid)) return 1;
  Line("windows=" + std::to_string(WindowCount(pid)) +
       " listed_handles=" + std::to_string(ListedHandles(pid)));
  return 0;
}

// The arguments after the subcommand, as the shell passed them.
int Record(int argc, wchar_t** argv) {
  wchar_t log[MAX_PATH + 1] = {};
  if (::GetEnvironmentVariableW(L"TARNWICK_SHELL_LOG", log, MAX_PATH) == 0) return 1;
  wstring line;
  for (int i = 2; i < argc; ++i) line += (i > 2 ? L" " : L"") + wstring(argv[i]);
  const string bytes = Utf8(line + L"\n");
  HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  const wstring command = argc > 1 ? argv[1] : L"";
  const auto number = [&](int index, DWORD fallback) {
    return argc > index ? static_cast<DWORD>(_wtoi(argv[index])) : fallback;
  };
  if (command.rfind(L"clip-", 0) == 0) return Clipboard(command, argc, argv);
  if (command == L"hold-desktop") {
    // Wine closes an unused desktop, and the test that next shows a window
    // would start it again as its own child, holding its output open.
    ::GetDesktopWindow();
    ::Sleep(INFINITE);
    return 0;
  }
  if (command == L"hold" && argc > 2) return Hold(argv[2], argc > 3 ? argv[3] : nullptr);
  if (command == L"deny" && argc > 3) return Deny(argv[2], argv[3]);
  if (command == L"limit-memory" && argc > 3) return LimitMemory(argv[2], _wtoi(argv[3]));
  if (command == L"facts") return Facts();
  if (command == L"resources") return Resources();
  if (command == L"record") return Record(argc, argv);
  if (command == L"msgbox") return ReadMessageBox(number(2, 5000), argc > 3);
  if (command == L"gone" && argc > 2) return Wait(argv[2], number(3, 5000), false) ? 0 : 1;
  if (command == L"wait" && argc > 2) {
    HWND window = Wait(argv[2], number(3, 5000));
    return window ? Describe(window, argv[2]) : 1;
  }
  const bool onMain = command == L"field" || command == L"press" || command == L"move";
  HWND window = Wait(onMain ? L"main" : argc > 2 ? argv[2] : L"", 0);
  if (window == nullptr) return 1;
  if (command == L"field") {
    Write(Utf8(TextOf(Field(window))));
    return 0;
  }
  if (command == L"press" && argc > 2) {
    // Asked while the window is busy (a read, a conversion), a caption may
    // not be answered at once; a user waits for the button too.
    HWND control = nullptr;
    for (const DWORD start = ::GetTickCount();
         (control = ControlByCaption(window, argv[2])) == nullptr; ::Sleep(50)) {
      if (::GetTickCount() - start >= 10000) return 1;
    }
    if (!::IsWindowVisible(control)) return 3;  // a user cannot press it
    // Synchronous, so that the command has run when the driver returns; a
    // message box that it opens ends the wait.
    ::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 20000, nullptr);
    return 0;
  }
  if (command == L"move" && argc > 3)
    return ::SetWindowPos(window, nullptr, _wtoi(argv[2]), _wtoi(argv[3]), 0, 0,
                          SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
  if (command == L"controls") return Controls(window, argc > 3 ? argv[3] : nullptr);
  if (command == L"click" && argc > 3)
    return Click(ChildWhere(window, [&](HWND c) { return ::GetDlgCtrlID(c) == _wtoi(argv[3]); }));
  if (command == L"key" && argc > 3) return Key(window, argv[3]);
  if (command == L"loop") return SystemLoop(window);
  if (command == L"close") return ::PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  return 2;
}

// One subcommand a line, its words separated by tabs; each answer is
// "<exit code> <bytes>" on a line of its own, then the output's bytes. A
// test's many questions then cost one Wine process start, not one each.
int Serve() {
  helper::ForEachInputLine([](const string& line) {
    std::vector<wstring> words{L"tarnwick-driver"};
    for (std::size_t at = 0, tab; at <= line.size(); at = tab + 1) {
      tab = std::min(line.find('\t', at), line.size());
      words.push_back(helper::Wide(line.substr(at, tab - at)));
    }
    std::vector<wchar_t*> argv;
    for (auto& word : words) argv.push_back(word.data());
    string output;
    captured = &output;
    const int status = Run(static_cast<int>(argv.size()), argv.data());
    captured = nullptr;
    Write(std::to_string(status) + " " + std::to_string(output.size()) + "\n" + output);
  });
  return 0;
}

}  // namespace

int main() {
  return helper::RunWithArguments([](int argc, wchar_t** argv) {
    return argc == 2 && argv[1] == wstring(L"serve") ? Serve() : Run(argc, argv);
  });
}
