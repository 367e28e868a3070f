// tarnwick-shell-recorder: stands in for the programs that the shell starts
// (the mailto: handler, Explorer). It appends its command line, without its
// own name, as one UTF-8 line to the file named by TARNWICK_SHELL_LOG.
#include <windows.h>

#include <string>

namespace {

// The command line after the program's own (possibly quoted) name.
std::wstring Arguments(const wchar_t* line) {
  std::wstring text = line;
  std::size_t at = 0;
  if (!text.empty() && text[0] == L'"') {
    at = text.find(L'"', 1);
    at = at == std::wstring::npos ? text.size() : at + 1;
  } else {
    at = text.find(L' ');
    if (at == std::wstring::npos) at = text.size();
  }
  while (at < text.size() && text[at] == L' ') ++at;
  return text.substr(at);
}

}  // namespace

int main() {
  wchar_t log[MAX_PATH + 1] = {};
  if (::GetEnvironmentVariableW(L"TARNWICK_SHELL_LOG", log, MAX_PATH) == 0) return 1;
  const std::wstring arguments = Arguments(::GetCommandLineW()) + L"\n";
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, arguments.data(),
                                         static_cast<int>(arguments.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, arguments.data(), static_cast<int>(arguments.size()),
                        bytes.data(), size, nullptr, nullptr);
  HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
