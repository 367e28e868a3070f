#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "env/win32/OSVersionWin32.h"

namespace tarnwick::mOSVersion {
namespace {

// The probe executable, built next to this test.
std::wstring ProbePath() {
  wchar_t self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"os_facts_probe.exe";
}

// Wine answers the version query per executable name as this key says.
class WineVersionSetting {
 public:
  explicit WineVersionSetting(const wchar_t* version) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr);
    const std::wstring value(version);
    ::RegSetValueExW(key_, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  ~WineVersionSetting() {
    ::RegCloseKey(key_);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Wine\\AppDefaults\\os_facts_probe.exe";
  HKEY key_ = nullptr;
};

// Runs the probe and returns its output lines.
std::vector<std::string> RunProbe() {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + ProbePath() + L"\"";
  const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
  ::CloseHandle(writeEnd);
  std::string output;
  if (started) {
    char chunk[256];
    DWORD got = 0;
    while (::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  ::CloseHandle(readEnd);
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST(OSVersionWin32, QueryAnswersForThisProcess) {
  const OSVersionFacts facts = QueryOSVersionFacts();
  ASSERT_TRUE(facts.callSucceeded);
  EXPECT_EQ(facts.csdVersion.size(), 128u);
  OSInfo info;
  GetOSVersion(info);
  EXPECT_EQ(info.PlatformId, static_cast<std::int32_t>(facts.platformId));
  EXPECT_EQ(IsWinXP(), IsWinXPOf(facts));
  EXPECT_EQ(IsWin2000(), IsWin2000Of(facts));
}

struct Expected {
  const wchar_t* wineVersion;
  std::vector<std::string> lines;
};

TEST(OSVersionWin32, AnswersFollowWinesVersionSetting) {
  const Expected matrix[] = {
      {L"win2k", {"1", "0", "2", "Windows 2000", "5.0", "Service Pack 4", "2195"}},
      {L"winxp", {"0", "1", "2", "Windows XP", "5.1", "Service Pack 3", "2600"}},
      {L"win2003", {"0", "1", "2", "Windows NT", "5.2", "Service Pack 2", "3790"}},
      {L"vista", {"0", "1", "2", "Windows NT", "6.0", "Service Pack 2", "6002"}},
      {L"win7", {"0", "1", "2", "Windows NT", "6.1", "Service Pack 1", "7601"}},
      {L"win10", {"0", "1", "2", "Windows NT", "6.2", "", "9200"}},
      {L"win81", {"0", "1", "2", "Windows NT", "6.2", "", "9200"}},
      {L"nt40", {"0", "0", "2", "Windows NT", "4.0", "Service Pack 6a", "1381"}},
      {L"win98", {"0", "0", "1", "Windows 98", "4.10", " A ", "2222"}},
      {L"win95", {"0", "0", "1", "Windows 95", "4.0", "", "950"}},
      {L"winme", {"0", "0", "1", "Windows ME", "4.90", " ", "3000"}},
  };
  for (const Expected& row : matrix) {
    SCOPED_TRACE(std::string(row.wineVersion, row.wineVersion + wcslen(row.wineVersion)));
    const WineVersionSetting setting(row.wineVersion);
    EXPECT_EQ(RunProbe(), row.lines);
  }
}

}  // namespace
}  // namespace tarnwick::mOSVersion
