// Text helpers of the black-box driver programs: UTF-8 output (one record a
// line), the text and class of another program's windows, and the command
// line as UTF-16.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>

namespace tarnwick::driver {

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes,
                        nullptr, nullptr);
  return out;
}

inline std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int units =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), units);
  return out;
}

// Writes bytes to standard output in chunks, so that large texts pass whole.
inline void Write(const std::string& bytes) {
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!::WriteFile(out, bytes.data() + done, chunk, &written, nullptr) || written == 0) return;
    done += written;
  }
}

inline void WriteLine(const std::string& line) { Write(line + "\n"); }

// The window's text, asked with a time-out so that a hung window cannot hang
// the driver.
inline std::wstring WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 20000, &copied);
  text.resize(copied);
  return text;
}

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  ::GetClassNameW(hwnd, name, 128);
  return name;
}

// Runs `run` over the program's arguments as Windows passes them (UTF-16,
// whatever the code page); 2 when the command line cannot be split.
inline int RunWithWideArguments(int (*run)(int argc, wchar_t** argv)) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr) return 2;
  const int status = run(argc, argv);
  ::LocalFree(argv);
  return status;
}

}  // namespace tarnwick::driver
