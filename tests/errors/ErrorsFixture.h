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
  Text exePath = u"C:\\Program Files\\Tarnwick\\Tarnwick.exe";
  std::map<std::uint32_t, Text> messages{{5, u"Access is denied.\r\n"}};
  bool failEverything = false;  // every member throws

  Text ComputerName() override { return Check(u"TESTPC"); }
  Text ExePath() override { return Check(exePath); }
  VersionNumbers AppVersion() override { return Ready(), VersionNumbers{2, 0, 0}; }
  Text AdoVersion() override { return Check(u"?"); }
  Text SystemMessageBuffer(std::uint32_t code) override {
    Text buffer = Check(messages.count(code) ? messages[code] : Text());
    if (!buffer.empty()) buffer.resize(512, u'\0');  // as the system leaves it
    return buffer;
  }
  RegionalSeparators Separators() override { return Ready(), separators; }
  Text ShortDateText(const DateValue& d) override {
    return Joined(d.month, d.day, d.year, separators.date);
  }
  Text TimeText(const DateValue& t) override {
    return Joined(t.hour, t.minute, t.second, separators.time);
  }
  DateValue LocalNow() override { return Ready(), DateValue{2026, 3, 7, 9, 5, 1}; }

 private:
  void Ready() const {
    if (failEverything) throw std::runtime_error("platform unavailable");
  }
  Text Check(Text answer) const { return Ready(), answer; }
  Text Joined(int a, int b, int c, const Text& s) const {
    return Check(DecimalText(a) + s + DecimalText(b) + s + DecimalText(c));
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

// The header's second line; kFactsLine is the one of the fixed facts.
inline Text FactsLine(const Text& time, const Text& app, const Text& computer) {
  return u"  Time='" + time + u"' App='" + app + u"' ADO-version='?' Computer='" + computer +
         u"' \r\n";
}
inline const Text kFactsLine = FactsLine(u"03/07/26 09:05:01", u"Tarnwick:2.0.0", u"TESTPC");

// The six header lines; `number` is the Number line after "Number: ".
inline Text Header(const Text& description, const Text& method, const Text& number,
                   const Text& source = u"Tarnwick", const Text& factsLine = kFactsLine) {
  return description + u" \r\n" + factsLine + u"  Method: " + method + u" \r\n  Number: " +
         number + u"\r\n  Source: " + source + u" \r\n  Description: " + description + u"\r\n";
}

// The six header lines of error 91 raised by the run time in `method`.
inline Text Header91(const Text& method, const Text& factsLine = kFactsLine) {
  return Header(u"Object variable or With block variable not set", method,
                u"91 = &H5B = vbObjectError + 2147221595 = ERRMAP_APP_FIRST + 2147216397 ",
                u"Tarnwick", factsLine);
}

}  // namespace tarnwick::mErrTrap::testing
