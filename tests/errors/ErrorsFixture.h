// Fixed platform facts and a recording reporter, so that whole report texts
// can be compared.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "errors/ErrObjects.h"
#include "errors/ErrReport.h"
#include "errors/ErrTrap.h"
#include "errors/PlatformFacts.h"
#include "errors/ReportError.h"

namespace tarnwick::mErrTrap::testing {

class FixedFacts final : public PlatformFacts {
 public:
  RegionalSeparators separators;
  std::map<std::uint32_t, Text> messages{{5, u"Access is denied.\r\n"}};
  bool failEverything = false;

  Text ComputerName() override { return Check(u"TESTPC"); }
  Text ExePath() override { return Check(u"C:\\Program Files\\Tarnwick\\Tarnwick.exe"); }
  VersionNumbers AppVersion() override {
    Check({});
    return {2, 0, 0};
  }
  Text AdoVersion() override { return Check(u"?"); }
  Text SystemMessageBuffer(std::uint32_t code) override {
    Check({});
    const auto found = messages.find(code);
    if (found == messages.end()) return {};
    Text buffer = found->second;
    buffer.resize(512, u'\0');
    return buffer;
  }
  RegionalSeparators Separators() override {
    Check({});
    return separators;
  }
  Text ShortDateText(const DateValue& d) override {
    return Check(DecimalText(d.month) + separators.date + DecimalText(d.day) + separators.date +
                 DecimalText(d.year));
  }
  Text TimeText(const DateValue& t) override {
    return Check(DecimalText(t.hour) + separators.time + DecimalText(t.minute) + separators.time +
                 DecimalText(t.second));
  }
  DateValue LocalNow() override {
    Check({});
    return DateValue{2026, 3, 7, 9, 5, 1};
  }

 private:
  Text Check(Text answer) const {
    if (failEverything) throw std::runtime_error("platform unavailable");
    return answer;
  }
};

class RecordingReporter final : public ErrorReporter {
 public:
  int calls = 0;
  Text report;
  bool silent = false;
  void ReportError() override {
    ++calls;
    report = ErrReportText();
    silent = ErrIsSilent();
  }
};

class ErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorState();
    SetPlatformFacts(&facts);
    SetErrorReporter(&reporter);
  }
  void TearDown() override {
    SetPlatformFacts(nullptr);
    SetErrorReporter(nullptr);
    SetObjectContext(nullptr);
    ResetErrorState();
  }

  FixedFacts facts;
  RecordingReporter reporter;
};

// A call-stack line as it stands in a report: dashes up to 100 characters.
inline Text Dashed(const Text& line) {
  return line.size() >= 100 ? line + u"\r\n" : line + Text(100 - line.size(), u'-') + u"\r\n";
}

// The six header lines of error 91 raised by the run time in `method`.
inline Text Header91(const Text& method) {
  return u"Object variable or With block variable not set \r\n"
         u"  Time='03/07/26 09:05:01' App='Tarnwick:2.0.0' ADO-version='?' Computer='TESTPC' \r\n"
         u"  Method: " + method + u" \r\n"
         u"  Number: 91 = &H5B = vbObjectError + 2147221595 = ERRMAP_APP_FIRST + 2147216397 \r\n"
         u"  Source: Tarnwick \r\n"
         u"  Description: Object variable or With block variable not set\r\n";
}

}  // namespace tarnwick::mErrTrap::testing
