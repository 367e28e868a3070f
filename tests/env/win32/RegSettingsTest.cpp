#include <gtest/gtest.h>

#include <windows.h>

#include <shlwapi.h>

#include <string>

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "env/SettingValues.h"
#include "env/win32/RegSettings.h"
#include "errors/ErrInfo.h"
#include "../../support/Outcome.h"

namespace tarnwick::mRegSettings {
namespace {

// A section of this test process alone (tests may run side by side).
const Text kSection = u"settings test " + DecimalText(::GetCurrentProcessId());
const std::wstring kSectionPath = L"Software\\Tarnwick\\" + win32::ToWide(kSection);

// Each test starts and ends without the test section.
class RegSettings : public ::testing::Test {
 protected:
  void SetUp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kSectionPath.c_str()); }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kSectionPath.c_str()); }

  // Stores raw bytes of any type, as another program could.
  static void StoreRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    win32::RegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSectionPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
  }
};

TEST_F(RegSettings, TextIsReadWithinItsStoredSize) {
  StoreRaw(L"NoNul", REG_SZ, L"12", 4);        // no terminating NUL
  StoreRaw(L"OddSize", REG_SZ, L"345", 5);     // half a character at the end
  StoreRaw(L"InnerNul", REG_SZ, L"6\0" L"7", 8);
  StoreRaw(L"ZeroBytes", REG_SZ, L"", 0);
  StoreRaw(L"Expand", REG_EXPAND_SZ, L"%TEMP%", 14);
  EXPECT_EQ(GetSetting(kSection, u"NoNul", u""), u"12");
  EXPECT_EQ(GetSetting(kSection, u"OddSize", u""), u"34");
  EXPECT_EQ(GetSetting(kSection, u"InnerNul", u""), u"6");
  EXPECT_EQ(GetSetting(kSection, u"ZeroBytes", u"default"), u"");
  EXPECT_EQ(GetSetting(kSection, u"Expand", u""), u"%TEMP%");  // never expanded

  const std::wstring huge(kMaxSettingChars + 1, L'9');
  StoreRaw(L"Huge", REG_SZ, huge.c_str(), static_cast<DWORD>((huge.size() + 1) * sizeof(wchar_t)));
  EXPECT_EQ(GetSetting(kSection, u"Huge", u"default"), u"");
}

TEST_F(RegSettings, RefusedNamesAndFailedWritesRaise) {
  using testsupport::Outcome;
  const Text invalid = u"5 Invalid procedure call or argument";
  EXPECT_EQ(Outcome([&] { SaveSetting(kSection, TextView(u"A\0B", 3), u"1"); }), invalid);
  EXPECT_EQ(Outcome([] { GetSetting(TextView(u"A\0B", 3), u"Key", u""); }), invalid);
  EXPECT_EQ(Outcome([&] { SaveSetting(kSection, u"Key", Text(kMaxSettingChars + 1, u'x')); }),
            invalid);
  // A key name longer than the registry allows cannot be created.
  EXPECT_EQ(Outcome([] { SaveSetting(Text(300, u's'), u"Key", u"1"); }),
            u"75 Path/File access error");
}

}  // namespace
}  // namespace tarnwick::mRegSettings
