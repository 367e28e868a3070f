// The text of the error report file, line by line: the header of a new file,
// the five-line block of one failure, and the paths it names. Every line
// ends in CR LF; the Win32 layer converts the text to the ANSI code page and
// appends it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/Text.h"

namespace tarnwick::mErrTrap {

inline constexpr char16_t kReportFileName[] = u"ErrorReport.txt";

// The operating-system facts that the block's last line names.
struct OSLineFacts {
  Text name, version, build, servicePack;
};

struct ReportBlockFacts {
  Text reportText;    // the current report text, written unchanged
  Text programPath;   // folder of the running executable
  Text reportFolder;  // the report folder (not the file)
  Text fileName;      // the executable's name without its extension
  OSLineFacts os;
};

// "OS: " name " " version " build " build " (" service pack ")".
Text OSLine(const OSLineFacts& os);
// The two lines of a new file: the header text, then a line of one blank.
std::vector<Text> ReportHeaderLines(TextView reportHeader);
// The five lines of one block, each ending in CR LF; the last one carries two
// more CR LF pairs, so the block ends in two empty lines.
std::vector<Text> ReportBlockLines(const ReportBlockFacts& facts);

// documents + "\" + title, with no trailing backslash.
Text ReportFolderOf(TextView documents, TextView title);
// fileName itself when it holds a backslash (a full path), else folder "\" fileName.
Text ReportTargetPath(TextView folder, TextView fileName);
// The folder of a file path without the trailing backslash ("C:\a\b.exe"
// gives "C:\a"); a file in a drive root keeps it ("C:\b.exe" gives "C:\").
Text FolderOfPath(TextView path);

// Opening for append with retries: tries at once, then after every 200 ms
// sleep, and gives up once more than one second has passed on a clock read in
// whole seconds (so after one to two seconds). A throw from any step gives up.
struct AppendRetryClock {
  std::function<bool()> tryOpen;
  std::function<void(std::uint32_t milliseconds)> sleep;
  std::function<std::int64_t()> nowSeconds;
};
inline constexpr std::uint32_t kAppendRetryMilliseconds = 200;
bool OpenWithRetries(const AppendRetryClock& clock);

}  // namespace tarnwick::mErrTrap
