#include "errors/win32/ErrorPlatform.h"

#include <windows.h>
#include <oleauto.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "errors/ErrTrap.h"

namespace tarnwick::win32 {
namespace {

using mErrTrap::BuiltInVersion;
using mErrTrap::DateValue;
using mErrTrap::RegionalSeparators;
using mErrTrap::StopAnswer;
using mErrTrap::VersionNumbers;

constexpr DWORD kComputerNameBuffer = 255;
constexpr DWORD kMessageBuffer = 512;

// Text in the system's ANSI code page, NULs included, as UTF-16.
Text FromAnsi(const char* text, int length) {
  if (length <= 0) return {};
  const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), wideLength);
  return FromWide(wide);
}

Text LocaleText(LCTYPE item, const char16_t* fallback) {
  wchar_t buffer[16] = {};
  const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, item, buffer, 16);
  if (length <= 1) return fallback;
  return FromWide(buffer, static_cast<std::size_t>(length - 1));
}

SYSTEMTIME ToSystemTime(const DateValue& d) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(d.year);
  st.wMonth = static_cast<WORD>(d.month);
  st.wDay = static_cast<WORD>(d.day);
  st.wHour = static_cast<WORD>(d.hour);
  st.wMinute = static_cast<WORD>(d.minute);
  st.wSecond = static_cast<WORD>(d.second);
  return st;
}

// --- COM, each resource released by its owner ----------------------------------

class ComApartment {
 public:
  ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();  // S_OK and S_FALSE both count
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // RPC_E_CHANGED_MODE: the thread already has COM, which serves as well.
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

inline constexpr auto kReleaseComObject = [](IUnknown* object) { object->Release(); };
template <class I>
using ComPtr = UniqueHandle<I*, kReleaseComObject>;

class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }

 private:
  VARIANT v_;
};

Text ReadVersionProperty(IDispatch& connection) {
  wchar_t name[] = L"Version";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  if (FAILED(connection.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return u"?";
  DISPPARAMS none{};
  Variant value;
  if (FAILED(connection.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               value.get(), nullptr, nullptr))) {
    return u"?";
  }
  Variant text;
  if (FAILED(::VariantChangeType(text.get(), value.get(), 0, VT_BSTR)) || !text.get()->bstrVal)
    return u"?";
  return FromWide(text.get()->bstrVal, ::SysStringLen(text.get()->bstrVal));
}

StopAnswer AskWithMessageBox(const Text& caption, const Text& message) {
  const int answer = ::MessageBoxW(nullptr, ToWide(message).c_str(), ToWide(caption).c_str(),
                                   MB_YESNOCANCEL | MB_ICONERROR);
  if (answer == IDYES) return StopAnswer::Yes;
  if (answer == IDNO) return StopAnswer::No;
  return StopAnswer::Cancel;
}

}  // namespace

Text Win32PlatformFacts::ComputerName() {
  char buffer[kComputerNameBuffer] = {};
  DWORD size = kComputerNameBuffer;
  if (!::GetComputerNameA(buffer, &size)) return {};
  return FromAnsi(buffer, static_cast<int>(size));
}

Text Win32PlatformFacts::ExePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(),
                                              static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return FromWide(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
  }
}

VersionNumbers Win32PlatformFacts::AppVersion() {
  const std::wstring path = ToWide(ExePath());
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return BuiltInVersion();
  std::vector<unsigned char> data(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return BuiltInVersion();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  wchar_t root[] = L"\\";
  if (!::VerQueryValueW(data.data(), root, reinterpret_cast<void**>(&info), &infoSize) || !info ||
      infoSize < sizeof(VS_FIXEDFILEINFO)) {
    return BuiltInVersion();
  }
  // major.minor.build.revision: the report's third number is the revision.
  return VersionNumbers{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                        LOWORD(info->dwFileVersionLS)};
}

Text Win32PlatformFacts::AdoVersion() {
  ComApartment com;
  if (!com.usable()) return u"?";
  CLSID clsid{};
  if (FAILED(::CLSIDFromProgID(L"ADODB.Connection", &clsid))) return u"?";
  ComPtr<IDispatch> connection;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(connection.put()))) ||
      !connection) {
    return u"?";
  }
  return ReadVersionProperty(*connection.get());
}

Text Win32PlatformFacts::SystemMessageBuffer(std::uint32_t code) {
  char buffer[kMessageBuffer] = {};  // starts out NUL-filled
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       0, buffer, kMessageBuffer, nullptr);
  if (length == 0) return {};
  return FromAnsi(buffer, static_cast<int>(kMessageBuffer));
}

RegionalSeparators Win32PlatformFacts::Separators() {
  RegionalSeparators separators;
  separators.date = LocaleText(LOCALE_SDATE, u"/");
  separators.time = LocaleText(LOCALE_STIME, u":");
  separators.decimal = LocaleText(LOCALE_SDECIMAL, u".");
  return separators;
}

Text Win32PlatformFacts::ShortDateText(const DateValue& date) {
  const SYSTEMTIME st = ToSystemTime(date);
  wchar_t buffer[128] = {};
  const int length = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 128);
  if (length <= 1) throw std::invalid_argument("no short date for this value");
  return FromWide(buffer, static_cast<std::size_t>(length - 1));
}

Text Win32PlatformFacts::TimeText(const DateValue& time) {
  const SYSTEMTIME st = ToSystemTime(time);
  wchar_t buffer[128] = {};
  const int length = ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 128);
  if (length <= 1) throw std::invalid_argument("no time text for this value");
  return FromWide(buffer, static_cast<std::size_t>(length - 1));
}

DateValue Win32PlatformFacts::LocalNow() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return DateValue{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

void InstallErrorPlatform() {
  static Win32PlatformFacts facts;
  mErrTrap::SetPlatformFacts(&facts);
  mErrTrap::SetStopPrompt(AskWithMessageBox);
}

}  // namespace tarnwick::win32
