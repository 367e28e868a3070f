// ReportError as the program installs it, with no main window loaded: each
// test starts and ends without an error, an open dialog or a report file.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "env/UIStrings.h"
#include "errors/ErrTrap.h"
#include "errors/PlatformFacts.h"
#include "errors/ReportError.h"
#include "errors/win32/ErrorPlatform.h"
#include "errors/win32/SpecialFolders.h"
#include "forms/win32/Dialog.h"
#include "forms/win32/ErrorReporter.h"

namespace tarnwick::mErrTrap::testing {

class ReportingFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorState();
    win32::InstallErrorPlatform();
    mLanguageGobals::LoadUIStrings();
    forms::InstallErrorReporter([](const Text&) { return false; });
    file_ = win32::ToWide(mSpecialFolders::ReportFolder() + u"\\ErrorReport.txt");
    ::DeleteFileW(file_.c_str());
  }
  void TearDown() override {
    for (HWND w; (w = ::FindWindowW(forms::kDialogClass, nullptr)) != nullptr;) ::DestroyWindow(w);
    SetErrorReporter(nullptr);
    SetDevelopmentMode(false);
    SetStopPrompt(nullptr);
    SetPlatformFacts(nullptr);
    ResetErrorState();
    ::DeleteFileW(file_.c_str());
  }
  bool ReportFileExists() const { return ::GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }
  std::string ReportBytes() const {
    const win32::FileHandle file(::CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes(file ? ::GetFileSize(file.get(), nullptr) : 0, '\0');
    DWORD read = 0;
    if (!bytes.empty()) ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
  }

  std::wstring file_;
};

}  // namespace tarnwick::mErrTrap::testing
