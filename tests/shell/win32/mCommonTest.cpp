#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <atomic>
#include <fstream>

#include "../../support/win32/TestThread.h"
#include "common/win32/WideText.h"
#include "env/UIStrings.h"
#include "shell/win32/FileQueries.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::mCommon {
namespace {

std::wstring TestFolder() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  const std::wstring self(buffer, n);
  return self.substr(0, self.find_last_of(L'\\'));
}

// A scratch folder with one file, removed again.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"c1-shell-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    file_ = folder_ + L"\\Error Report \u00E9.txt";
    HANDLE h = ::CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(h);
  }
  ~ScratchFolder() {
    ::DeleteFileW(file_.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  Text folder() const { return win32::FromWide(folder_); }
  Text file() const { return win32::FromWide(file_); }

 private:
  std::wstring folder_, file_;
};

// Closes the next message box titled "Tarnwick" of this process and keeps
// its text and icon style, as a user reading and confirming it would.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() : thread_([this] { Run(); }) {}
  ~MessageBoxAnswerer() { Finish(); }
  // What the box said; empty when none was shown.
  Text text() {
    Finish();
    return text_;
  }

 private:
  void Finish() {
    stop_ = true;
    thread_.join();
  }

  void Run() {
    for (int i = 0; i < 500 && !stop_; ++i) {
      if (HWND box = FindOwnBox()) {
        wchar_t buffer[1024] = {};
        ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
        text_ = win32::FromWide(buffer, ::wcslen(buffer));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      ::Sleep(10);
    }
  }
  // A named callback: a lambda does not convert to the stdcall WNDENUMPROC
  // of 32-bit Windows.
  static BOOL CALLBACK TakeOwnBox(HWND hwnd, LPARAM out) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t title[64] = {}, cls[64] = {};
    ::GetWindowTextW(hwnd, title, 64);
    ::GetClassNameW(hwnd, cls, 64);
    if (pid == ::GetCurrentProcessId() && !wcscmp(title, L"Tarnwick") && !wcscmp(cls, L"#32770")) {
      *reinterpret_cast<HWND*>(out) = hwnd;
      return FALSE;
    }
    return TRUE;
  }
  static HWND FindOwnBox() {
    HWND found = nullptr;
    ::EnumWindows(&TakeOwnBox, reinterpret_cast<LPARAM>(&found));
    return found;
  }

  std::atomic<bool> stop_{false};
  Text text_;
  test_support::TestThread thread_;
};

// A three-character path is taken to exist without looking; any other is
// searched for exactly as given.
TEST(FolderExist, DriveRootsAssumedOtherPathsSearchedAsGiven) {
  ScratchFolder scratch;
  const struct {
    Text path;
    bool exists;
  } rows[] = {{u"C:\\", true},          {u"Q:\\", true},
              {u"abc", true},            {u"", false},
              {scratch.file(), true},    {scratch.folder(), true},
              {scratch.folder() + u"\\", false}, {scratch.folder() + u"\\missing", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(TextToAscii(row.path));
    EXPECT_EQ(mMain::FolderExist(row.path), row.exists);
  }
}

TEST(FileExist, FilesFoldersPatternsAndMissingPaths) {
  const ScratchFolder scratch;
  EXPECT_TRUE(FileExist(scratch.file()));
  EXPECT_TRUE(FileExist(scratch.folder()));
  EXPECT_TRUE(FileExist(scratch.folder() + u"\\*.txt"));
  EXPECT_FALSE(FileExist(scratch.folder() + u"\\missing.txt"));
  EXPECT_FALSE(FileExist(scratch.folder() + u"\\*.doc"));
  EXPECT_FALSE(FileExist(scratch.folder() + u"\\"));  // no trailing separator accepted
  EXPECT_FALSE(FileExist(u""));
  EXPECT_FALSE(FileExist(scratch.file() + Text(1, u'\0') + u"x"));
}

TEST(Drives, NamesAndVolumes) {
  const std::vector<Text> names = GetDriveNames();
  ASSERT_FALSE(names.empty());
  bool hasC = false;
  for (const Text& name : names) {
    EXPECT_EQ(name.size(), 3u);
    EXPECT_EQ(name.substr(1), u":\\");
    hasC = hasC || name == u"C:\\";
  }
  EXPECT_TRUE(hasC);
  EXPECT_TRUE(GetDriveInfo(u"C:\\", 2).has_value());
  EXPECT_FALSE(GetDriveInfo(u"C:\\", 1).has_value());  // only the label is known
  for (char16_t letter = u'Z'; letter > u'D'; --letter) {
    const Text root{letter, u':', u'\\'};
    if (std::find(names.begin(), names.end(), root) != names.end()) continue;
    EXPECT_FALSE(GetDriveInfo(root, 2).has_value());
    break;
  }
}

TEST(FileManager, ExistingFileNeedsNoMessage) {
  mLanguageGobals::LoadUIStrings();
  const ScratchFolder scratch;
  EXPECT_TRUE(FileManager(scratch.file()));
  Text lower = scratch.file();
  lower[0] = static_cast<char16_t>(lower[0] | 0x20);
  EXPECT_TRUE(FileManager(lower));
}

TEST(FileManager, EachFailedCheckIsShown) {
  mLanguageGobals::LoadUIStrings();
  const ScratchFolder scratch;
  const struct {
    Text path;
    const char16_t* message;
  } cases[] = {
      {u"\\\\server\\share\\ErrorReport.txt", u"The drive is not present."},
      {scratch.folder() + u"\\missing.txt", u"The specified file was not found."},
  };
  for (const auto& c : cases) {
    MessageBoxAnswerer answerer;
    EXPECT_FALSE(FileManager(c.path));
    EXPECT_EQ(answerer.text(), c.message);
  }
}

TEST(ShellErrorMessage, ShowsTextsAndStaysSilent) {
  {
    MessageBoxAnswerer answerer;
    ShellErrorMessage(2);
    EXPECT_EQ(answerer.text(), u"The specified file was not found.");
  }
  for (std::int32_t silent : {1, 28, 32, -5}) {
    MessageBoxAnswerer answerer;
    ShellErrorMessage(silent);  // would wait for the answerer if it showed a box
    ::Sleep(50);
    EXPECT_EQ(answerer.text(), u"");
  }
}

TEST(AlwaysOnTop, EntersAndLeavesTheTopmostBandAndShows) {
  const HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"top test", WS_OVERLAPPEDWINDOW, 10, 10, 200,
                                      100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  const win32::FormRef form{hwnd, u"Form1"};
  RECT before{};
  ::GetWindowRect(hwnd, &before);
  AlwaysOnTop(form, true);
  EXPECT_TRUE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  AlwaysOnTop(form, false);
  EXPECT_FALSE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT after{};
  ::GetWindowRect(hwnd, &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
  ::DestroyWindow(hwnd);
}

// A file that the recorder program appends its arguments to; the recorder
// finds it through the environment that it inherits from this process.
class RecordFile {
 public:
  RecordFile() : path_(TestFolder() + L"\\record-" + std::to_wstring(::GetCurrentProcessId()) + L".txt") {
    ::DeleteFileW(path_.c_str());
    ::SetEnvironmentVariableW(L"TARNWICK_RECORD_FILE", path_.c_str());
  }
  ~RecordFile() {
    ::SetEnvironmentVariableW(L"TARNWICK_RECORD_FILE", nullptr);
    ::DeleteFileW(path_.c_str());
  }
  // The first recorded line, waiting up to 10 s for the recorder to run.
  std::wstring FirstLine() const {
    for (int i = 0; i < 200; ++i) {
      std::ifstream in(path_.c_str(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
      const std::size_t end = text.find(L'\n');
      if (end != std::wstring::npos) return text.substr(0, end);
      ::Sleep(50);
    }
    return L"(nothing recorded)";
  }
  // True when nothing was recorded within half a second.
  bool StaysEmpty() const {
    ::Sleep(500);
    return ::GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES;
  }

 private:
  std::wstring path_;
};

// The mailto protocol handed to the recorder. Wine's shell looks the handler
// up in HKEY_CLASSES_ROOT only, so the handler there is replaced and restored
// afterwards.
class MailtoRecorder : public RecordFile {
 public:
  MailtoRecorder() {
    ::RegCreateKeyExW(HKEY_CLASSES_ROOT, L"mailto", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &protocol_, nullptr);
    SetValue(protocol_, L"URL Protocol", L"");
    ::RegCreateKeyExW(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", 0, nullptr, 0,
                      KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &command_, nullptr);
    wchar_t previous[1024] = {};
    DWORD bytes = sizeof previous - sizeof(wchar_t);
    hadPrevious_ = ::RegGetValueW(command_, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, previous,
                                  &bytes) == ERROR_SUCCESS;
    previous_ = previous;
    SetValue(command_, nullptr, (L"\"" + TestFolder() + L"\\shell_recorder.exe\" \"%1\"").c_str());
  }
  ~MailtoRecorder() {
    if (hadPrevious_) {
      SetValue(command_, nullptr, previous_.c_str());
    } else {
      ::RegDeleteValueW(command_, nullptr);
    }
    ::RegCloseKey(command_);
    ::RegCloseKey(protocol_);
  }

 private:
  static void SetValue(HKEY key, const wchar_t* name, const wchar_t* value) {
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  }
  HKEY protocol_ = nullptr, command_ = nullptr;
  bool hadPrevious_ = false;
  std::wstring previous_;
};

// The Explorer that this process started: found among its child processes
// by name, its command line read from its process parameters, and ended.
class ChildExplorer {
 public:
  ~ChildExplorer() {
    // One that started late would hold the test runner's output pipe open.
    if (!process_) Find();
    if (process_) {
      ::TerminateProcess(process_, 0);
      ::CloseHandle(process_);
    }
  }
  // Waits up to `ms` for the child to appear; its command line, or empty.
  std::wstring WaitForCommandLine(int ms) {
    for (int waited = 0; waited <= ms && !process_; waited += 50) {
      Find();
      if (!process_) ::Sleep(50);
    }
    return process_ ? CommandLine() : std::wstring();
  }

 private:
  void Find() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !process_;
         more = ::Process32NextW(snapshot, &entry)) {
      if (entry.th32ParentProcessID == ::GetCurrentProcessId() && !_wcsicmp(entry.szExeFile, L"explorer.exe"))
        process_ = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE,
                                 FALSE, entry.th32ProcessID);
      // Wine starts its desktop window's process ("explorer.exe /desktop")
      // from the first window a session shows: that one is not the shell's.
      if (process_ && CommandLine().find(L" /desktop") != std::wstring::npos) {
        ::CloseHandle(process_);
        process_ = nullptr;
      }
    }
    ::CloseHandle(snapshot);
  }
  // PEB -> process parameters -> command line, read from the child.
  std::wstring CommandLine() const {
    PROCESS_BASIC_INFORMATION basic{};
    if (::NtQueryInformationProcess(process_, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
      return L"(unreadable)";
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!::ReadProcessMemory(process_, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
        !::ReadProcessMemory(process_, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
      return L"(unreadable)";
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    ::ReadProcessMemory(process_, parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length, nullptr);
    return line;
  }

  HANDLE process_ = nullptr;
};

TEST(SendMail, TheShellIsHandedTheComposedUrl) {
  const struct {
    const char16_t *subject, *body, *cc;
    const wchar_t* url;
  } cases[] = {
      {u"Tarnwick v2.0 Error report", u"", u"",
       L"mailto:support@tarnwick.example?Subject=Tarnwick%20v2.0%20Error%20report"},
      {u"", u"", u"", L"mailto:support@tarnwick.example"},
      // Characters outside ASCII reach the shell unchanged.
      {u"\u041E\u0448\u0438\u0431\u043A\u0430 & \u00FC", u"a\r\nb", u"x@y",
       L"mailto:support@tarnwick.example?Subject=\u041E\u0448\u0438\u0431\u043A\u0430%20%26%20\u00FC"
       L"&Body=a%0D%0Ab%0D%0A&CC=x@y"},
  };
  for (const auto& c : cases) {
    const MailtoRecorder recorder;
    SendMail(nullptr, u"support@tarnwick.example", c.subject, c.body, c.cc, u"", u"");
    EXPECT_EQ(recorder.FirstLine(), c.url);
  }
}

TEST(OpenInExplorerList, ExplorerSelectsTheCheckedFile) {
  mLanguageGobals::LoadUIStrings();
  const ScratchFolder scratch;
  ChildExplorer explorer;
  OpenInExplorerList(win32::FormRef{nullptr, u"Form11"}, scratch.file());
  const std::wstring line = explorer.WaitForCommandLine(10000);
  const std::wstring parameters = L" /e,/select," + win32::ToWide(scratch.file());
  ASSERT_GE(line.size(), parameters.size()) << line;
  EXPECT_EQ(line.substr(line.size() - parameters.size()), parameters);
}

TEST(OpenInExplorerList, AFailedCheckStartsNoExplorer) {
  mLanguageGobals::LoadUIStrings();
  const ScratchFolder scratch;
  ChildExplorer explorer;
  MessageBoxAnswerer answerer;
  OpenInExplorerList(win32::FormRef{nullptr, u"Form11"}, scratch.folder() + u"\\gone.txt");
  EXPECT_EQ(answerer.text(), u"The specified file was not found.");
  EXPECT_EQ(explorer.WaitForCommandLine(1000), L"");
}

}  // namespace
}  // namespace tarnwick::mCommon
