// The process-wide error context and the operations that record a failure,
// carry it up the call chain and hand the finished report to ReportError.
#include "errors/ErrTrap.h"

#include <charconv>
#include <string>

#include "errors/ErrObjects.h"
#include "errors/ErrReport.h"
#include "errors/ReportError.h"

namespace tarnwick::mErrTrap {
namespace {

constexpr char16_t kLostInformation[] =
    u"ErrorIn: Error information was lost. "
    u"To fix: call ErrPreserve before doing anything in error handler.";
constexpr char16_t kStopCaption[] = u"Stopped on Error";

ErrInfo g_current;
std::int32_t g_failureStep = 0;
thread_local std::int32_t g_lastDllError = 0;
ErrContext g_context;
bool g_developmentMode = false;
StopPrompt g_stopPrompt;

std::int32_t ParseHelpContext(const Text& text) {
  const std::string ascii = TextToAscii(text);
  std::int32_t value = 0;
  std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  return value;
}

Text StopQuestion() {
  Text message = u"Error: " + ErrFirstLine();
  if (ErrIsPropagated()) message += u" (Propagated)";
  message += kCrLf;
  message += u"Do you want to retry the operation in step mode?";
  message += kCrLf;
  message += u"Click YES to retry, NO to move to the caller, CANCEL for no more stops";
  return message;
}

StopAnswer AskStopQuestion() {
  if (!g_stopPrompt) return StopAnswer::Cancel;
  try {
    return g_stopPrompt(kStopCaption, StopQuestion());
  } catch (...) {
    return StopAnswer::Cancel;
  }
}

}  // namespace

// --- The current error ----------------------------------------------------------

ErrInfo& CurrentError() { return g_current; }
void ClearCurrentError() { g_current = ErrInfo{}; }
std::int32_t FailureStep() { return g_failureStep; }
void SetFailureStep(std::int32_t step) { g_failureStep = step; }
void RecordLastDllError(std::uint32_t code) { g_lastDllError = static_cast<std::int32_t>(code); }
std::int32_t LastDllError() { return g_lastDllError; }

ErrContext& Context() { return g_context; }

void ResetErrorState() {
  g_current = ErrInfo{};
  g_failureStep = 0;
  g_lastDllError = 0;
  g_context = ErrContext{};
  g_developmentMode = false;
  g_stopPrompt = nullptr;
}

// --- Operations -------------------------------------------------------------------

void ErrPreserve() {
  if (g_current.Number == 0 || g_context.Preserved) return;
  g_context.Number = g_current.Number;
  g_context.Description = g_current.Description;
  g_context.Source = g_current.Source;
  g_context.HelpFile = g_current.HelpFile;
  g_context.HelpContext = DecimalText(g_current.HelpContext);
  g_context.Line = g_failureStep;
  g_context.LastDllError = g_lastDllError;
  g_context.Preserved = true;
}

void ErrRestore() {
  if (!g_context.Preserved) return;
  ClearCurrentError();
  g_current.Number = g_context.Number;
  g_current.Source = g_context.Source;
  g_current.Description = g_context.Description;
  if (!g_context.HelpContext.empty()) g_current.HelpContext = ParseHelpContext(g_context.HelpContext);
  g_current.HelpFile = g_context.HelpFile;
}

bool ErrMustStop() {
  ErrPreserve();
  if (!ErrInDevelopment() || ErrIsSilent() || !ErrStopsEnabled() ||
      g_context.HelpFile == kNoStopMark) {
    return false;
  }
  switch (AskStopQuestion()) {
    case StopAnswer::Yes:
      g_context.Preserved = false;
      return true;
    case StopAnswer::No:
      ErrRestore();
      return false;
    default:
      g_context.HelpFile = kNoStopMark;
      ErrRestore();
      return false;
  }
}

Text ErrorIn(TextView signature, const Value& args, std::int32_t flags, ErrDbObject* dbObject,
             TextView envNames, const Value& envValues, ErrTransControl* transControl) {
  if (g_current.Number == 0 && !g_context.Preserved) {
    g_current.Number = ERR_GENERAL;
    g_current.Description = kLostInformation;
  }
  ErrPreserve();
  ErrDbObject* connection = ErrGetConnection(dbObject);
  Text result;
  if (ErrIsSilent()) {
    g_context.ReportText.clear();
    ErrAbortTransaction(flags, connection, transControl);
  } else {
    const bool record = ErrHasFlag(flags, kFlagRecord);
    if (record) {
      const SplitSignature split = ErrSplitSignature(signature);
      if (ErrIsPropagated()) {
        g_context.ReportText = g_context.Description;
      } else {
        ErrBuildHeader(split.method);
        ErrAppendApiError();
        ErrAppendAdoInfo(connection, dbObject);
        if (ErrHasFlag(flags, kFlagWebInfo)) ErrAppendWebInfo();
      }
      ErrAppendFrame(split.method, split.params, args, envNames, envValues);
    }
    ErrAbortTransaction(flags, connection, transControl);
    if (ErrHasFlag(flags, kFlagCloseConnection)) ErrCloseConnection(connection);
    if (record) {
      g_context.Source = kPropagatedSource;
      g_context.Description = g_context.ReportText;
      result = g_context.ReportText;
    }
  }
  ErrRestore();
  g_context.Preserved = false;
  if (ErrHasFlag(flags, kFlagReRaise)) throw ErrRaised(g_current);
  return result;
}

bool ErrIsSilent() {
  return g_context.Number >= kSilentFirst && g_context.Number <= kSilentLast;
}

bool ErrIsPropagated() { return g_context.Source == kPropagatedSource; }

Text ErrReportText() {
  if (!g_context.ReportText.empty()) return g_context.ReportText;
  if (ErrIsPropagated()) return g_current.Description;
  return {};
}

Text ErrFirstLine() {
  if (!ErrIsPropagated()) return g_context.Description;
  Text report = ErrReportText();
  const auto lineEnd = report.find(kCrLf);
  if (lineEnd != Text::npos) report.resize(lineEnd);
  return report;
}

bool ErrHasFlag(std::int32_t flags, std::int32_t mask) { return (flags & mask) != 0; }

SplitSignature ErrSplitSignature(TextView signature) {
  SplitSignature split;
  const auto open = signature.find(u'(');
  split.method = Text(signature.substr(0, open));
  if (open == TextView::npos) return split;
  TextView params = signature.substr(open + 1);
  params = params.substr(0, params.find(u'('));  // only the second piece counts
  if (!params.empty()) split.params = Text(params.substr(0, params.size() - 1));
  return split;
}

bool ErrInDevelopment() { return g_developmentMode; }
bool ErrStopsEnabled() { return true; }
std::int32_t ErrNumber() { return g_context.Number; }
Text ErrSource() { return g_context.Source; }
Text ErrDescription() { return g_context.Description; }

void SetDevelopmentMode(bool on) { g_developmentMode = on; }
void SetStopPrompt(StopPrompt prompt) { g_stopPrompt = std::move(prompt); }

// --- The trap ---------------------------------------------------------------------

namespace detail {
void CaptureFailure(std::exception_ptr failure, std::int32_t step) noexcept {
  try {
    g_current = ErrInfoOf(failure);
  } catch (...) {  // no memory even for the texts: keep the number
    g_current.Number = rt::OutOfMemory;
    g_current.Source.clear();
    g_current.Description.clear();
    g_current.HelpFile.clear();
    g_current.HelpContext = 0;
  }
  g_failureStep = step;
}
}  // namespace detail

void TrapBase::Fail(Packer pack, const void* args) {
  Value packed(MissingValue{});
  try {
    packed = pack(args);
  } catch (...) {
    packed = Value(UnknownValue{});
  }
  const auto flags = static_cast<std::int32_t>(kind_);
  if (kind_ == TrapKind::Inner) {
    ErrorIn(signature_, packed, flags);  // raises the error again to the caller
    return;
  }
  // The chain ends here: nothing may escape into a window procedure.
  try {
    ErrorIn(signature_, packed, flags);
  } catch (...) {
    g_context.Preserved = false;
  }
  try {
    ReportError();
  } catch (...) {
  }
  ClearCurrentError();
}

}  // namespace tarnwick::mErrTrap
