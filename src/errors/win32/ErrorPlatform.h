// The Win32 side of the error framework: the real platform facts for the
// report, and the development-mode stop question as a message box.
#pragma once

#include "errors/PlatformFacts.h"

namespace tarnwick::win32 {

// Facts read from Windows: GetComputerNameA, FormatMessageA, the ADODB
// component through COM, the user's locale, the local clock, the module's
// file name and version resource.
class Win32PlatformFacts final : public mErrTrap::PlatformFacts {
 public:
  using VersionNumbers = mErrTrap::VersionNumbers;
  using RegionalSeparators = mErrTrap::RegionalSeparators;
  using DateValue = mErrTrap::DateValue;

  Text ComputerName() override;
  Text ExePath() override;
  VersionNumbers AppVersion() override;
  Text AdoVersion() override;
  Text SystemMessageBuffer(std::uint32_t code) override;
  RegionalSeparators Separators() override;
  Text ShortDateText(const DateValue& date) override;
  Text TimeText(const DateValue& time) override;
  DateValue LocalNow() override;
};

// Called once at program start: installs the Win32 facts and the stop
// question's message box.
void InstallErrorPlatform();

}  // namespace tarnwick::win32
