#include <gtest/gtest.h>

#include <windows.h>

#include <shlwapi.h>

#include <string>

#include "common/win32/WideText.h"
#include "env/SettingValues.h"
#include "env/win32/RegSettings.h"
#include "errors/ErrInfo.h"

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
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSectionPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
};

template <class F>
std::int32_t RaisedBy(F&& call) {
  try {
    call();
  } catch (const mErrTrap::ErrRaised& raised) {
    return raised.info().Number;
  }
  return 0;
}

TEST_F(RegSettings, MissingSectionOrValueGivesTheDefault) {
  EXPECT_EQ(GetSetting(kSection, u"Left", u"default"), u"default");
  SaveSetting(kSection, u"Top", u"15");
  EXPECT_EQ(GetSetting(kSection, u"Left", u"1200"), u"1200");
  EXPECT_EQ(GetSetting(kSection, u"Top", u"1200"), u"15");
}

TEST_F(RegSettings, RoundTripStoresText) {
  SaveSetting(kSection, u"AutoOption", u"4");
  SaveSetting(kSection, u"AutoOption", u"3");  // replaces
  EXPECT_EQ(GetSetting(kSection, u"AutoOption", u"0"), u"3");
  const Text unicode = u"\u041C\u0438\u0440 \u4E16\u754C \U0001F600";
  SaveSetting(kSection, u"Text", unicode);
  EXPECT_EQ(GetSetting(kSection, u"Text", u""), unicode);
  SaveSetting(kSection, u"Empty", u"");
  EXPECT_EQ(GetSetting(kSection, u"Empty", u"default"), u"");  // stored, so no default
  const Text longest(kMaxSettingChars, u'7');
  SaveSetting(kSection, u"Long", longest);
  EXPECT_EQ(GetSetting(kSection, u"Long", u""), longest);

  // What the main window stores reads back as the same number.
  SaveSetting(kSection, u"Left", FormatSingleSetting(-1234.5f));
  EXPECT_EQ(ParseSingleSetting(GetSetting(kSection, u"Left", u"0")), -1234.5f);

  // The store is a REG_SZ value with its NUL.
  DWORD type = 0, bytes = 0;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kSectionPath.c_str(), L"AutoOption", RRF_RT_ANY, &type,
                           nullptr, &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, 4u);
}

TEST_F(RegSettings, ValuesThatAreNoTextReadAsUnreadable) {
  const DWORD number = 1;
  StoreRaw(L"Dword", REG_DWORD, &number, sizeof number);
  const unsigned char bytes[] = {'1', 0, '2', 0};
  StoreRaw(L"Binary", REG_BINARY, bytes, sizeof bytes);
  StoreRaw(L"MultiString", REG_MULTI_SZ, L"1\0\0", 6);
  for (const char16_t* name : {u"Dword", u"Binary", u"MultiString"}) {
    const Text read = GetSetting(kSection, name, u"5");
    EXPECT_EQ(read, u"");
    EXPECT_EQ(RaisedBy([&] { ParseInt16Setting(read); }), mErrTrap::rt::TypeMismatch);
  }
}

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
  EXPECT_EQ(RaisedBy([&] { SaveSetting(kSection, TextView(u"A\0B", 3), u"1"); }),
            mErrTrap::rt::InvalidCall);
  EXPECT_EQ(RaisedBy([] { GetSetting(TextView(u"A\0B", 3), u"Key", u""); }),
            mErrTrap::rt::InvalidCall);
  EXPECT_EQ(RaisedBy([&] { SaveSetting(kSection, u"Key", Text(kMaxSettingChars + 1, u'x')); }),
            mErrTrap::rt::InvalidCall);
  // A key name longer than the registry allows cannot be created.
  EXPECT_EQ(RaisedBy([] { SaveSetting(Text(300, u's'), u"Key", u"1"); }),
            mErrTrap::rt::PathFileAccess);
}

TEST_F(RegSettings, VersionRecordNamesVersionAndFolder) {
  SaveSetting(u"Path", u"AppPath", u"C:\\elsewhere");
  SaveVersion();
  EXPECT_EQ(GetSetting(u"Version", u"Major", u""), u"2");
  EXPECT_EQ(GetSetting(u"Version", u"Minor", u""), u"0");
  EXPECT_EQ(GetSetting(u"Version", u"Revision", u""), u"0");
  wchar_t self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const Text exe = win32::FromWide(self, n);
  const Text folder = GetSetting(u"Path", u"AppPath", u"");
  EXPECT_EQ(folder, AppFolder());
  EXPECT_EQ(folder + u"\\", exe.substr(0, exe.find_last_of(u'\\') + 1));
  EXPECT_NE(folder.back(), u'\\');
}

}  // namespace
}  // namespace tarnwick::mRegSettings
