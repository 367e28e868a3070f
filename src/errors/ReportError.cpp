#include "errors/ReportError.h"

namespace tarnwick {
namespace {
ErrorReporter* g_reporter = nullptr;
}  // namespace

void SetErrorReporter(ErrorReporter* reporter) { g_reporter = reporter; }

void ReportError() {
  if (g_reporter) g_reporter->ReportError();
}

}  // namespace tarnwick
