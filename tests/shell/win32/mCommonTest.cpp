#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "env/UIStrings.h"
#include "shell/win32/FileQueries.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::mCommon {
namespace {

// Answers the next message box of this process titled "Tarnwick" with OK,
// from a thread of its own, as a user reading it would; text() is what it
// said, empty when none showed. It waits up to a minute: on a busy machine
// Wine can take many seconds to show a process's first window.
class MessageBoxAnswerer {
 public:
  ~MessageBoxAnswerer() { text(); }
  std::wstring text() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return text_;
  }

 private:
  void Answer() {
    for (int i = 0; i < 6000 && !stop_; ++i, ::Sleep(10)) {
      HWND box = ::FindWindowW(L"#32770", L"Tarnwick");
      DWORD process = 0;
      if (box != nullptr) ::GetWindowThreadProcessId(box, &process);
      if (process != ::GetCurrentProcessId()) continue;
      wchar_t buffer[1024] = {};
      ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
      text_ = buffer;
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
      return;
    }
  }

  std::atomic<bool> stop_{false};
  std::wstring text_;
  std::thread thread_{[this] { Answer(); }};  // last: it starts once the rest is made
};

// A scratch folder with one file, removed again.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"c1-shell-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    file_ = folder_ + L"\\Error Report \u00E9.txt";
    const win32::FileHandle empty{
        ::CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)};
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

// FileExist searches for the path exactly as given; FolderExist takes a
// three-character path (a drive root) to exist without looking.
TEST(FileExist, FilesFoldersAndPatternsAsGivenDriveRootsAssumedFolders) {
  const ScratchFolder scratch;
  const Text file = scratch.file(), folder = scratch.folder();
  const struct {
    Text path;
    bool file, folder;
  } rows[] = {{file, true, true}, {folder, true, true}, {folder + u"\\*.txt", true, true},
              {folder + u"\\missing.txt", false, false}, {folder + u"\\*.doc", false, false},
              {folder + u"\\", false, false},  // no trailing separator accepted
              {u"", false, false}, {file + Text(1, u'\0') + u"x", false, false},
              {u"Q:\\", false, true}, {u"abc", false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(TextToAscii(row.path));
    EXPECT_EQ(FileExist(row.path), row.file);
    EXPECT_EQ(mMain::FolderExist(row.path), row.folder);
  }
}

// The checks before Explorer opens a file: a path that passes shows
// nothing, one that fails tells the user why.
TEST(FileManager, EachFailedCheckIsShownAPassedOneIsNot) {
  mLanguageGobals::LoadUIStrings();
  const ScratchFolder scratch;
  Text lower = scratch.file();
  lower[0] = static_cast<char16_t>(lower[0] | 0x20);  // c:\ counts as C:\ .
  const struct {
    Text path;
    const char16_t* message;
  } rows[] = {
      {scratch.file(), u""},
      {lower, u""},
      {u"\\\\server\\share\\ErrorReport.txt", u"The drive is not present."},
      {scratch.folder() + u"\\missing.txt", u"The specified file was not found."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(TextToAscii(row.path));
    MessageBoxAnswerer answerer;
    EXPECT_EQ(FileManager(row.path), Text(row.message).empty());
    EXPECT_EQ(win32::FromWide(answerer.text()), row.message);
  }
}

}  // namespace
}  // namespace tarnwick::mCommon
