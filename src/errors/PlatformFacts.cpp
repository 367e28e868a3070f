#include "errors/PlatformFacts.h"

#include <ctime>

namespace tarnwick::mErrTrap {
namespace {

// Answers that need no platform: no computer name, no component, no message
// table; US formats and the C library's local clock.
class PortableFacts final : public PlatformFacts {
 public:
  Text ComputerName() override { return {}; }
  Text ExePath() override { return u"Tarnwick"; }
  VersionNumbers AppVersion() override { return BuiltInVersion(); }
  Text AdoVersion() override { return u"?"; }
  Text SystemMessageBuffer(std::uint32_t) override { return {}; }
  RegionalSeparators Separators() override { return {}; }
  Text ShortDateText(const DateValue& d) override {
    return DecimalText(d.month) + u"/" + DecimalText(d.day) + u"/" + DecimalText(d.year);
  }
  Text TimeText(const DateValue& t) override {
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return DecimalText(hour12) + u":" + TwoDigits(t.minute) + u":" + TwoDigits(t.second) +
           (t.hour < 12 ? u" AM" : u" PM");
  }
  DateValue LocalNow() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return DateValue{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
  }
};

PortableFacts& Defaults() {
  static PortableFacts facts;
  return facts;
}

PlatformFacts* g_facts = nullptr;

}  // namespace

void SetPlatformFacts(PlatformFacts* facts) { g_facts = facts; }

PlatformFacts& Platform() { return g_facts ? *g_facts : Defaults(); }

VersionNumbers BuiltInVersion() {
  return VersionNumbers{TARNWICK_VERSION_MAJOR, TARNWICK_VERSION_MINOR, TARNWICK_VERSION_REVISION};
}

Text FileTitle(TextView path) {
  const auto slash = path.find_last_of(u"\\/");
  TextView name = slash == TextView::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of(u'.');
  if (dot != TextView::npos) name = name.substr(0, dot);
  return Text(name);
}

}  // namespace tarnwick::mErrTrap
