// tarnwick-dialog-driver: looks at Tarnwick's dialogs from outside, as a
// user's tools would. Output is UTF-8, one record a line, fields by tabs.
//
//   find <caption> [ms]       wait for a visible dialog with this caption;
//                             prints its count, owner caption ("-" for a
//                             hidden or no owner), whether the main window
//                             is enabled, client width and height, ex-style
//   controls <caption>        every control: id, class, visible, left top
//                             width height (client pixels of the dialog),
//                             screen centre x y, text
//   key <caption> return|escape  the key to the control with the focus
//   click <caption> <id>      a mouse click on the control with this id
//   close <caption>           the close box (WM_CLOSE)
//   count <caption>           how many visible dialogs have the caption
//   gone <caption> [ms]       wait until no such dialog is visible
//   dpi                       the screen's DPI
//   documents                 the user's Documents folder
//   deny-main-window <dll> <ms>  for ms, refuse to create Tarnwick's main
//                             window (a CBT hook in every program); prints
//                             "hooked" once it is in place
//   hold <path> <ms>          hold the file open exclusively, print "held"
//   layout <caption> <dll>    the visible top-level window with this caption:
//                             a first line with its client width and height,
//                             its frame and the screen's work area (left top
//                             width height each), then every control: id, class, visible, left
//                             top width height (client pixels of the window),
//                             style, look ("themed" for the visual-styles
//                             class, "plain" for the system's classic one,
//                             "own"), text width and height measured inside
//                             the window's program with the control's own
//                             font, a button's ideal width and height (both
//                             by the hook of <dll>; 0 0 where none), text
//   close-window <caption>    WM_CLOSE to the visible top-level window with
//                             this caption, of any class
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "../driver/DriverText.h"

namespace {

using namespace tarnwick::driver;

struct Search {
  std::wstring caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  // The program's dialogs are of its own class; message boxes are the system's.
  const std::wstring cls = ClassOf(hwnd);
  const bool dialog = cls == L"Tarnwick.Dialog" || cls == L"#32770";
  if (::IsWindowVisible(hwnd) && dialog && WindowText(hwnd) == search->caption) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

std::vector<HWND> Dialogs(const std::wstring& caption) {
  Search search{caption, {}};
  ::EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitDialog(const std::wstring& caption, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const auto found = Dialogs(caption);
    if (!found.empty()) return found.front();
    if (::GetTickCount() - start >= timeoutMs) return nullptr;
    ::Sleep(50);
  }
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

HWND ControlById(HWND dialog, int id) {
  std::vector<HWND> children;
  ::EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (::GetDlgCtrlID(child) == id) return child;
  }
  return nullptr;
}

int Find(const std::wstring& caption, DWORD timeoutMs) {
  HWND dialog = WaitDialog(caption, timeoutMs);
  if (dialog == nullptr) return 1;
  HWND owner = ::GetWindow(dialog, GW_OWNER);
  const std::string ownerText =
      owner != nullptr && ::IsWindowVisible(owner) ? Utf8(WindowText(owner)) : "-";
  HWND main = ::FindWindowW(L"Tarnwick.Form1", nullptr);
  const char* mainState = main == nullptr ? "none" : (::IsWindowEnabled(main) ? "enabled" : "disabled");
  RECT client{};
  ::GetClientRect(dialog, &client);
  char line[256];
  std::snprintf(line, sizeof line, "%u\t%s\t%s\t%ld\t%ld\t%08lx",
                static_cast<unsigned>(Dialogs(caption).size()), ownerText.c_str(), mainState,
                client.right, client.bottom,
                static_cast<unsigned long>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  WriteLine(line);
  return 0;
}

int Controls(HWND dialog) {
  std::vector<HWND> children;
  ::EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    RECT r{};
    ::GetWindowRect(child, &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    char head[256];
    std::snprintf(head, sizeof head, "%d\t%s\t%d\t%ld %ld %ld %ld\t%ld %ld\t", ::GetDlgCtrlID(child),
                  Utf8(ClassOf(child)).c_str(), ::IsWindowVisible(child) ? 1 : 0, r.left, r.top,
                  r.right - r.left, r.bottom - r.top, centre.x, centre.y);
    std::wstring text = WindowText(child);
    for (auto& c : text) {
      if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    }
    WriteLine(head + Utf8(text));
  }
  return 0;
}

int Key(HWND dialog, const std::wstring& key) {
  const WPARAM vk = key == L"escape" ? VK_ESCAPE : VK_RETURN;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
  HWND target = ::GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : dialog;
  ::PostMessageW(target, WM_KEYDOWN, vk, 1);
  ::PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
  return 0;
}

int Click(HWND dialog, int id) {
  HWND control = ControlById(dialog, id);
  if (control == nullptr) return 1;
  RECT r{};
  ::GetClientRect(control, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(control, WM_LBUTTONUP, 0, at);
  return 0;
}

// --- Layout -----------------------------------------------------------------

std::string RectText(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return text;
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  if (::IsWindowVisible(hwnd) && WindowText(hwnd) == search->caption) search->found.push_back(hwnd);
  return TRUE;
}

HWND TopLevel(const std::wstring& caption) {
  Search search{caption, {}};
  ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found.empty() ? nullptr : search.found.front();
}

// The atoms of a system control class without and with the visual-styles
// library: a program whose manifest asks for that library gets the second.
struct ClassAtoms {
  ATOM plain = 0;
  ATOM themed = 0;
};

ATOM AtomOf(const wchar_t* cls) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return static_cast<ATOM>(::GetClassInfoExW(nullptr, cls, &info));
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// Activates the visual-styles library in this process from a manifest of
// its own, so that its classes are registered and can be looked up.
bool ActivateVisualStyles() {
  static const char kManifest[] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
      "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
      "processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>"
      "</dependentAssembly></dependency></assembly>";
  const std::wstring path = TempFile(L"tarnwick-dialog-driver.manifest");
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  ::WriteFile(file, kManifest, sizeof kManifest - 1, &written, nullptr);
  ::CloseHandle(file);
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.lpSource = path.c_str();
  HANDLE activation = ::CreateActCtxW(&context);
  ULONG_PTR cookie = 0;
  // Kept active until the driver ends.
  return activation != INVALID_HANDLE_VALUE && ::ActivateActCtx(activation, &cookie) &&
         ::LoadLibraryW(L"comctl32.dll") != nullptr;
}

std::vector<std::pair<std::wstring, ClassAtoms>> SystemClassAtoms() {
  std::vector<std::pair<std::wstring, ClassAtoms>> atoms;
  for (const wchar_t* cls : {L"Button", L"Static", L"Edit"}) atoms.push_back({cls, {AtomOf(cls), 0}});
  if (ActivateVisualStyles()) {
    for (auto& [cls, pair] : atoms) pair.themed = AtomOf(cls.c_str());
  }
  return atoms;
}

const char* LookOf(HWND control, const std::vector<std::pair<std::wstring, ClassAtoms>>& atoms) {
  const auto atom = static_cast<ATOM>(::GetClassLongPtrW(control, GCW_ATOM));
  for (const auto& [cls, pair] : atoms) {
    if (_wcsicmp(ClassOf(control).c_str(), cls.c_str()) != 0) continue;
    if (pair.themed != 0 && pair.themed != pair.plain && atom == pair.themed) return "themed";
    if (atom == pair.plain) return "plain";
  }
  return "own";
}

SIZE TakeSize(HWND control, const wchar_t* property) {
  const auto packed = reinterpret_cast<DWORD_PTR>(::RemovePropW(control, property));
  return SIZE{LOWORD(packed), HIWORD(packed)};
}

// Asks the hook inside the control's program for the text extent and the
// ideal size.
std::pair<SIZE, SIZE> Measured(HWND control) {
  static const UINT measure = ::RegisterWindowMessageW(L"Tarnwick.MeasureText");
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(control, measure, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  return {TakeSize(control, L"Tarnwick.TextExtent"), TakeSize(control, L"Tarnwick.IdealSize")};
}

int Layout(const std::wstring& caption, const wchar_t* dll) {
  HWND window = TopLevel(caption);
  HMODULE module = ::LoadLibraryW(dll);
  auto proc = module ? reinterpret_cast<HOOKPROC>(
                           reinterpret_cast<void (*)()>(::GetProcAddress(module, "MeasureText")))
                     : nullptr;
  if (window == nullptr || proc == nullptr) return 1;
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, proc, module,
                                   ::GetWindowThreadProcessId(window, nullptr));
  if (hook == nullptr) return 1;
  const auto atoms = SystemClassAtoms();
  RECT client{}, frame{}, work{};
  ::GetClientRect(window, &client);
  ::GetWindowRect(window, &frame);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  WriteLine(std::to_string(client.right) + "\t" + std::to_string(client.bottom) + "\t" +
            RectText(frame) + "\t" + RectText(work));
  std::vector<HWND> children;
  ::EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    const auto [extent, ideal] = Measured(child);
    char head[256];
    std::snprintf(head, sizeof head, "%d\t%s\t%d\t%ld %ld %ld %ld\t%08lx\t%s\t%ld %ld\t%ld %ld\t",
                  ::GetDlgCtrlID(child), Utf8(ClassOf(child)).c_str(),
                  ::IsWindowVisible(child) ? 1 : 0, r.left, r.top, r.right - r.left,
                  r.bottom - r.top, static_cast<unsigned long>(::GetWindowLongW(child, GWL_STYLE)),
                  LookOf(child, atoms), extent.cx, extent.cy, ideal.cx, ideal.cy);
    std::wstring text = WindowText(child);
    for (auto& c : text) {
      if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    }
    WriteLine(head + Utf8(text));
  }
  ::UnhookWindowsHookEx(hook);
  return 0;
}

int DenyMainWindow(const wchar_t* dll, int milliseconds) {
  HMODULE module = ::LoadLibraryW(dll);
  if (module == nullptr) return 1;
  auto proc = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void (*)()>(::GetProcAddress(module, "DenyMainWindow")));
  HHOOK hook = proc ? ::SetWindowsHookExW(WH_CBT, proc, module, 0) : nullptr;
  if (hook == nullptr) return 1;
  WriteLine("hooked");
  // Hooks that cannot run inside the other program come back here as messages.
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
  for (DWORD now = ::GetTickCount(); static_cast<int>(end - now) > 0; now = ::GetTickCount()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  ::UnhookWindowsHookEx(hook);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  if (command == L"dpi") {
    HDC screen = ::GetDC(nullptr);
    WriteLine(std::to_string(::GetDeviceCaps(screen, LOGPIXELSY)));
    ::ReleaseDC(nullptr, screen);
    return 0;
  }
  if (command == L"documents") {
    wchar_t folder[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, folder, 5, FALSE)) return 1;
    WriteLine(Utf8(folder));
    return 0;
  }
  if (command == L"deny-main-window" && argc > 3) {
    // The rule of what to refuse: the hook reads it where it runs, which
    // under Wine is this process.
    if (argc > 4) ::SetEnvironmentVariableW(L"TARNWICK_DENY_WINDOW", argv[4]);
    return DenyMainWindow(argv[2], _wtoi(argv[3]));
  }
  if (command == L"hold" && argc > 3) {
    HANDLE file = ::CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    WriteLine("held");
    ::Sleep(static_cast<DWORD>(_wtoi(argv[3])));
    ::CloseHandle(file);
    return 0;
  }
  if (argc < 3) return 2;
  const std::wstring caption = argv[2];
  const DWORD wait = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 5000;
  if (command == L"find") return Find(caption, wait);
  if (command == L"layout" && argc > 3) return Layout(caption, argv[3]);
  if (command == L"close-window") {
    HWND window = TopLevel(caption);
    return window != nullptr && ::PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (command == L"enabled") {
    HWND window = TopLevel(caption);
    if (window == nullptr) return 1;
    WriteLine(::IsWindowEnabled(window) ? "1" : "0");
    return 0;
  }
  if (command == L"count") {
    WriteLine(std::to_string(Dialogs(caption).size()));
    return 0;
  }
  if (command == L"gone") {
    const DWORD start = ::GetTickCount();
    while (!Dialogs(caption).empty()) {
      if (::GetTickCount() - start >= wait) return 1;
      ::Sleep(50);
    }
    return 0;
  }
  HWND dialog = WaitDialog(caption, 5000);
  if (dialog == nullptr) return 1;
  if (command == L"controls") return Controls(dialog);
  if (command == L"key" && argc > 3) return Key(dialog, argv[3]);
  if (command == L"click" && argc > 3) return Click(dialog, _wtoi(argv[3]));
  if (command == L"close") return ::PostMessageW(dialog, WM_CLOSE, 0, 0) ? 0 : 1;
  return 2;
}

}  // namespace

int main() { return tarnwick::driver::RunWithWideArguments(Run); }
