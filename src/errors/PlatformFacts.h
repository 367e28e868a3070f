// What the error report needs to know about the machine and the program:
// the computer, the executable, version numbers, the database access
// component, system message texts, the user's regional formats and the clock.
// The Win32 layer installs the real facts at start; until then (and in the
// native build) portable defaults answer.
#pragma once

#include <cstdint>

#include "common/Text.h"
#include "errors/ErrValue.h"

namespace tarnwick::mErrTrap {

struct VersionNumbers {
  std::int32_t major = 0;
  std::int32_t minor = 0;
  std::int32_t revision = 0;
};

struct RegionalSeparators {
  Text date = u"/";
  Text time = u":";
  Text decimal = u".";
};

// Every member may throw; the report treats a throw as "not available".
class PlatformFacts {
 public:
  virtual ~PlatformFacts() = default;
  // The computer's name, empty when the system has none to give.
  virtual Text ComputerName() = 0;
  // The full path of the running executable.
  virtual Text ExePath() = 0;
  virtual VersionNumbers AppVersion() = 0;
  // The database access component's version, "?" when there is none.
  virtual Text AdoVersion() = 0;
  // The system message buffer for an error code exactly as the system left
  // it: 512 code units, NUL-filled after the text; empty when the system has
  // no text for the code.
  virtual Text SystemMessageBuffer(std::uint32_t code) = 0;
  virtual RegionalSeparators Separators() = 0;
  // A date or a time of day in the user's short date and time formats.
  virtual Text ShortDateText(const DateValue& date) = 0;
  virtual Text TimeText(const DateValue& time) = 0;
  // The local wall-clock time, to the second.
  virtual DateValue LocalNow() = 0;
};

// Installs the facts that the report uses (not owned); nullptr goes back to
// the portable defaults.
void SetPlatformFacts(PlatformFacts* facts);
PlatformFacts& Platform();

// The program's own version, compiled in: the answer when the executable
// carries no version resource.
VersionNumbers BuiltInVersion();

// The file name of a path without its folder and extension ("C:\a\Tarnwick.exe"
// gives "Tarnwick"); both "\" and "/" separate folders.
Text FileTitle(TextView path);

}  // namespace tarnwick::mErrTrap
