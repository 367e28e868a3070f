// Stands in for a program that the shell starts: appends its arguments,
// separated by "|", as one line to the file that the environment variable
// TARNWICK_RECORD_FILE names (inherited from the test that set it).
#include <windows.h>

#include <shellapi.h>

#include <string>

int wmain() {
  wchar_t recordFile[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"TARNWICK_RECORD_FILE", recordFile, MAX_PATH)) return 2;
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!args) return 2;
  std::wstring line;
  for (int i = 1; i < count; ++i) line += (i > 1 ? L"|" : L"") + std::wstring(args[i]);
  line += L"\n";
  ::LocalFree(args);
  HANDLE file = ::CreateFileW(recordFile, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  ::WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
