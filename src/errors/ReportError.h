// The one call that an event handler's trap makes after recording a failure:
// write the report and tell the user. The program installs the reporter.
#pragma once

namespace tarnwick {

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void ReportError() = 0;
};

// The reporter that ReportError hands each failure to (not owned); with none
// installed, ReportError does nothing.
void SetErrorReporter(ErrorReporter* reporter);
void ReportError();

}  // namespace tarnwick
