// bench-startup-timer: how long Tarnwick takes from process creation until
// its window is shown with the clipboard text mirrored in its field. The
// clock starts just before CreateProcess, inside Wine, so the figure leaves
// out the Linux-side start of the `wine` loader. Closes Tarnwick afterwards.
//
//   bench-startup-timer <Tarnwick.exe> <expected field text>
// prints the milliseconds, or fails with exit code 1 after 20 s.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kMainClass[] = L"Tarnwick.Form1";
constexpr wchar_t kTitle[] = L"Tarnwick";
constexpr double kGiveUpMs = 20000;

class ProcessInfo {
 public:
  ProcessInfo() = default;
  ~ProcessInfo() {
    if (info.hThread != nullptr) ::CloseHandle(info.hThread);
    if (info.hProcess != nullptr) ::CloseHandle(info.hProcess);
  }
  ProcessInfo(const ProcessInfo&) = delete;
  ProcessInfo& operator=(const ProcessInfo&) = delete;
  PROCESS_INFORMATION info{};
};

double NowMs() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

BOOL CALLBACK FindEdit(HWND child, LPARAM param) {
  wchar_t name[16] = {};
  ::GetClassNameW(child, name, 16);
  if (::lstrcmpiW(name, L"Edit") != 0) return TRUE;
  *reinterpret_cast<HWND*>(param) = child;
  return FALSE;
}

// The start of the field's text: enough to tell the expected text apart.
std::wstring FieldText(HWND main) {
  HWND field = nullptr;
  ::EnumChildWindows(main, &FindEdit, reinterpret_cast<LPARAM>(&field));
  if (field == nullptr) return {};
  wchar_t text[256] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(field, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        1000, &copied);
  return std::wstring(text, copied);
}

bool ShownWithText(DWORD pid, const std::wstring& expected) {
  HWND main = ::FindWindowW(kMainClass, kTitle);
  if (main == nullptr || !::IsWindowVisible(main)) return false;
  DWORD owner = 0;
  ::GetWindowThreadProcessId(main, &owner);
  return owner == pid && FieldText(main) == expected;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) return 2;
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
  const std::wstring expected = argv[2];
  ::LocalFree(argv);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ProcessInfo process;
  const double start = NowMs();
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process.info))
    return 1;
  double elapsed = 0;
  bool shown = false;
  while (!(shown = ShownWithText(process.info.dwProcessId, expected)) && elapsed < kGiveUpMs) {
    ::Sleep(1);
    elapsed = NowMs() - start;
  }
  elapsed = NowMs() - start;
  if (HWND main = ::FindWindowW(kMainClass, kTitle)) ::PostMessageW(main, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.info.hProcess, 10000) != WAIT_OBJECT_0)
    ::TerminateProcess(process.info.hProcess, 1);
  if (!shown) return 1;
  std::printf("%.1f\n", elapsed);
  return 0;
}
