#include "errors/ReportFile.h"

namespace tarnwick::mErrTrap {

Text OSLine(const OSLineFacts& os) {
  return u"OS: " + os.name + u" " + os.version + u" build " + os.build + u" (" + os.servicePack +
         u")";
}

std::vector<Text> ReportHeaderLines(TextView reportHeader) {
  return {Text(reportHeader) + kCrLf, Text(u" ") + kCrLf};
}

std::vector<Text> ReportBlockLines(const ReportBlockFacts& facts) {
  return {
      facts.reportText + kCrLf,
      u"Program path: " + facts.programPath + kCrLf,
      u"Error report path: " + facts.reportFolder + kCrLf,
      u"File name : " + facts.fileName + kCrLf,
      OSLine(facts.os) + kCrLf + kCrLf + kCrLf,
  };
}

Text ReportFolderOf(TextView documents, TextView title) {
  return Text(documents) + u"\\" + Text(title);
}

Text ReportTargetPath(TextView folder, TextView fileName) {
  if (fileName.find(u'\\') != TextView::npos) return Text(fileName);
  return Text(folder) + u"\\" + Text(fileName);
}

Text FolderOfPath(TextView path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash == TextView::npos) return {};
  const bool driveRoot = slash == 2 && path.size() > 1 && path[1] == u':';
  return Text(path.substr(0, driveRoot ? slash + 1 : slash));
}

bool OpenWithRetries(const AppendRetryClock& clock) {
  try {
    const std::int64_t start = clock.nowSeconds();
    for (;;) {
      if (clock.tryOpen()) return true;
      clock.sleep(kAppendRetryMilliseconds);
      if (clock.nowSeconds() - start > 1) return false;
    }
  } catch (...) {
    return false;
  }
}

}  // namespace tarnwick::mErrTrap
