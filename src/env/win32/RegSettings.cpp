#include "env/win32/RegSettings.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "errors/ErrTrap.h"

namespace tarnwick::mRegSettings {
namespace {

// The registry functions answer with their error code instead of setting the
// thread's last error; the report shows that code.
LSTATUS Recorded(LSTATUS status) {
  mErrTrap::RecordLastDllError(static_cast<std::uint32_t>(status));
  return status;
}

// A name as the registry takes it: a NUL would cut it short and address
// another key, so such a name is refused.
std::wstring RegistryName(TextView name) {
  if (name.find(u'\0') != TextView::npos) mErrTrap::RaiseRuntime(mErrTrap::rt::InvalidCall);
  return win32::ToWide(name);
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::wstring SectionPath(TextView section) {
  return L"Software\\" + win32::ToWide(kProgramTitle) + L"\\" + RegistryName(section);
}

// The text of a text value: read no further than the size that the registry
// reports, cut at the first NUL (a stored value need not end in one; an odd
// last byte is half a character and dropped). Empty when the value is no
// text or grows past kMaxSettingChars.
Text ReadText(HKEY key, const std::wstring& name, DWORD bytes) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (bytes > (kMaxSettingChars + 1) * sizeof(wchar_t)) return {};
    const std::size_t chars = (bytes + 1) / sizeof(wchar_t);
    std::vector<wchar_t> buffer(chars + 1, L'\0');
    DWORD type = 0, got = static_cast<DWORD>(chars * sizeof(wchar_t));
    const LSTATUS status = Recorded(::RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                                       reinterpret_cast<BYTE*>(buffer.data()), &got));
    if (status == ERROR_MORE_DATA) {  // written anew meanwhile: got is its new size
      bytes = got;
      continue;
    }
    if (status != ERROR_SUCCESS || !IsText(type)) return {};
    const std::size_t length = std::min<std::size_t>(got / sizeof(wchar_t), chars);
    return win32::FromWide(buffer.data(), ::wcsnlen(buffer.data(), length));
  }
  return {};
}

}  // namespace

Text GetSetting(TextView section, TextView key, TextView defaultValue) {
  const std::wstring path = SectionPath(section);
  const std::wstring name = RegistryName(key);
  win32::RegKey opened;
  if (Recorded(::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE,
                               opened.put())) != ERROR_SUCCESS)
    return Text(defaultValue);
  DWORD type = 0, bytes = 0;
  const LSTATUS probe =
      Recorded(::RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, nullptr, &bytes));
  if (probe == ERROR_FILE_NOT_FOUND) return Text(defaultValue);
  if (probe != ERROR_SUCCESS && probe != ERROR_MORE_DATA) return Text(defaultValue);
  if (!IsText(type)) return {};
  return ReadText(opened.get(), name, bytes);
}

void SaveSetting(TextView section, TextView key, TextView value) {
  if (value.size() > kMaxSettingChars) mErrTrap::RaiseRuntime(mErrTrap::rt::InvalidCall);
  const std::wstring path = SectionPath(section);
  const std::wstring name = RegistryName(key);
  const std::wstring data = win32::ToWide(value);
  win32::RegKey created;
  if (Recorded(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, created.put(), nullptr)) != ERROR_SUCCESS)
    mErrTrap::RaiseRuntime(mErrTrap::rt::PathFileAccess);
  const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  if (Recorded(::RegSetValueExW(created.get(), name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data.c_str()), bytes)) != ERROR_SUCCESS)
    mErrTrap::RaiseRuntime(mErrTrap::rt::PathFileAccess);
}

Text AppFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    mErrTrap::RecordLastDllError(::GetLastError());
    if (length == 0) mErrTrap::RaiseRuntime(mErrTrap::rt::PathFileAccess);
    if (length < size) {
      Text path = win32::FromWide(buffer.data(), length);
      const std::size_t slash = path.find_last_of(u"\\/");
      if (slash == Text::npos) return path;
      path.resize(slash);
      if (path.size() == 2 && path[1] == u':') path += u'\\';  // a drive root keeps its backslash
      return path;
    }
    buffer.resize(buffer.size() * 2);  // the path was cut short: ask again
  }
}

void SaveVersion() {
  mErrTrap::Trap trap(u"mRegSettings.SaveVersion", mErrTrap::TrapKind::Inner);
  trap.Run([&] {
    trap.Step(10, [] { SaveSetting(u"Version", u"Major", DecimalText(TARNWICK_VERSION_MAJOR)); });
    trap.Step(20, [] { SaveSetting(u"Version", u"Minor", DecimalText(TARNWICK_VERSION_MINOR)); });
    trap.Step(30, [] { SaveSetting(u"Version", u"Revision", DecimalText(TARNWICK_VERSION_REVISION)); });
    trap.Step(40, [] { SaveSetting(u"Path", u"AppPath", AppFolder()); });
  });
}

}  // namespace tarnwick::mRegSettings
