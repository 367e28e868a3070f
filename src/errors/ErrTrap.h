// The error trap that every procedure runs under, and the operations of the
// process-wide error context behind it.
//
// Writing a procedure with its trap:
//
//   bool isLoad(const Text& sFormName) {
//     Trap trap(u"mMain.isLoad(sFormName)", TrapKind::Inner, sFormName);
//     return trap.Run([&] {
//       return trap.Step(10, [&] { return FindLoadedForm(sFormName) != nullptr; });
//     });
//   }
//
//   void Form1::bnUpper_Click() {
//     Trap trap(u"Form1.bnUpper_Click", TrapKind::EndsChain);
//     trap.Run([&] {
//       trap.Step(10, [&] { ... });
//       trap.Step(20, [&] { ... });
//     });
//   }
//
// - The signature is the constant text that names the procedure in reports:
//   module, ".", procedure and, with parameters, "(" names joined by "," ")".
// - The arguments are captured by reference, so the report shows their values
//   at the moment of the failure. Any type with an ErrValueOf overload works
//   (ErrValue.h; a type of another layer adds its own overload next to it).
// - Step(n, statement) runs one numbered statement; a failure inside it is
//   captured with step n. Code outside any Step reports step 0 and is never
//   offered for a retry.
// - A failure is any exception: ErrRaised (Raise, RaiseRuntime, or an inner
//   trap raising again) carries its own fields; other exceptions become
//   run-time errors as ErrInfoOf (ErrInfo.h) describes.
// - TrapKind::Inner (flags 35): the error is recorded and raised again to the
//   caller. TrapKind::EndsChain (flags 42, event handlers and Main): the error
//   is recorded, ReportError runs, the current error is cleared, and Run
//   returns a value-initialised result. Nothing escapes an EndsChain trap, so
//   it is safe inside a window procedure.
// - Win32 calls go through win32::ApiCall (errors/win32/ApiCall.h) so that the
//   report's API Error line names the last system error. The record belongs
//   to the thread that made the call: a background thread's calls never
//   change what the user-interface thread's reports show.
// - A trap holds its arguments by reference and allocates nothing before its
//   Run begins, so even a failure to allocate is caught by the trap.
// - In development mode (SetDevelopmentMode; off in the delivered build) a
//   failure asks the stop question through the installed StopPrompt: Yes runs
//   the failing Step again, No passes the error on, Cancel passes it on with
//   no more questions for this error.
// - The program calls win32::InstallErrorPlatform() once at start
//   (errors/win32/ErrorPlatform.h) and installs its ErrorReporter
//   (errors/ReportError.h).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "errors/ErrInfo.h"
#include "errors/ErrValue.h"

namespace tarnwick::mErrTrap {

class ErrDbObject;       // a database object of the optional report blocks
class ErrTransControl;   // a transaction control object of the optional blocks

// --- The current error and the facts of the moment of failure -------------

ErrInfo& CurrentError();
void ClearCurrentError();
// Step number of the failing statement (0 when it has none).
std::int32_t FailureStep();
void SetFailureStep(std::int32_t step);
// The system's last-error code, recorded after every system call, per thread.
void RecordLastDllError(std::uint32_t code);
std::int32_t LastDllError();

// --- The error context ------------------------------------------------------

struct ErrContext {
  std::int32_t Number = 0;
  Text Source;
  Text Description;
  std::int32_t Line = 0;
  Text HelpFile;
  Text HelpContext;
  Text ReportText;
  std::int32_t LastDllError = 0;
  bool Preserved = false;
  Text LongValues;
};
ErrContext& Context();

// --- Operations ---------------------------------------------------------------

inline constexpr std::int32_t kFlagReRaise = 1;
inline constexpr std::int32_t kFlagRecord = 2;
inline constexpr std::int32_t kFlagSetAbort = 4;
inline constexpr std::int32_t kFlagDisableCommit = 8;
inline constexpr std::int32_t kFlagRollback = 16;
inline constexpr std::int32_t kFlagWebInfo = 32;
inline constexpr std::int32_t kFlagCloseConnection = 64;

void ErrPreserve();
void ErrRestore();
bool ErrMustStop();
Text ErrorIn(TextView signature, const Value& args, std::int32_t flags,
             ErrDbObject* dbObject = nullptr, TextView envNames = {},
             const Value& envValues = Value(MissingValue{}), ErrTransControl* transControl = nullptr);
bool ErrIsSilent();
bool ErrIsPropagated();
Text ErrReportText();
Text ErrFirstLine();
bool ErrHasFlag(std::int32_t flags, std::int32_t mask);
struct SplitSignature {
  Text method;
  Text params;
};
SplitSignature ErrSplitSignature(TextView signature);
bool ErrInDevelopment();
bool ErrStopsEnabled();
std::int32_t ErrNumber();
Text ErrSource();
Text ErrDescription();

// --- Development mode: off in the delivered build -----------------------------

enum class StopAnswer { Yes, No, Cancel };
// Asks the developer the stop question; the Win32 layer shows a message box.
using StopPrompt = std::function<StopAnswer(const Text& caption, const Text& message)>;
void SetDevelopmentMode(bool on);
void SetStopPrompt(StopPrompt prompt);

// Back to the state at program start (tests).
void ResetErrorState();

// --- The trap -----------------------------------------------------------------

// Inner procedures record the error and raise it again (35); event handlers
// and Main end the chain (42).
enum class TrapKind : std::int32_t {
  Inner = kFlagReRaise | kFlagRecord | kFlagWebInfo,
  EndsChain = kFlagRecord | kFlagDisableCommit | kFlagWebInfo,
};

namespace detail {
// Thrown by Trap::Step once a failure has been captured and not retried.
struct StepFailed {};
// Makes the exception the current error and records the failing step.
void CaptureFailure(std::exception_ptr failure, std::int32_t step) noexcept;

inline Value PackArgs() { return Value(MissingValue{}); }
template <class A>
Value PackArgs(const A& a) {
  return ErrValueOf(a);
}
template <class A, class B, class... R>
Value PackArgs(const A& a, const B& b, const R&... rest) {
  ArrayValue list;
  list.items.reserve(2 + sizeof...(R));
  list.items.push_back(ErrValueOf(a));
  list.items.push_back(ErrValueOf(b));
  (list.items.push_back(ErrValueOf(rest)), ...);
  return Value(std::move(list));
}
}  // namespace detail

// What a trap needs besides its arguments; the arguments' packing is handed
// in, so that nothing is built before a failure.
class TrapBase {
 public:
  TrapBase(const TrapBase&) = delete;
  TrapBase& operator=(const TrapBase&) = delete;

  template <class F>
  auto Step(std::int32_t step, F&& statement) -> decltype(statement()) {
    for (;;) {
      try {
        return statement();
      } catch (const detail::StepFailed&) {
        throw;
      } catch (...) {
        detail::CaptureFailure(std::current_exception(), step);
        if (ErrMustStop()) {  // development mode: retry the statement
          ClearCurrentError();
          continue;
        }
        throw detail::StepFailed{};
      }
    }
  }

 protected:
  using Packer = Value (*)(const void* args);
  TrapBase(const char16_t* signature, TrapKind kind) noexcept : signature_(signature), kind_(kind) {}

  template <class F>
  auto RunWith(F&& body, Packer pack, const void* args) -> decltype(body()) {
    using Result = decltype(body());
    try {
      return body();
    } catch (const detail::StepFailed&) {
    } catch (...) {
      detail::CaptureFailure(std::current_exception(), 0);
    }
    Fail(pack, args);  // raises again for TrapKind::Inner
    if constexpr (!std::is_void_v<Result>) return Result{};
  }

 private:
  void Fail(Packer pack, const void* args);

  const char16_t* signature_;
  TrapKind kind_;
};

template <class... A>
class Trap : public TrapBase {
 public:
  Trap(const char16_t* signature, TrapKind kind, const A&... args) noexcept
      : TrapBase(signature, kind), args_(args...) {}

  template <class F>
  auto Run(F&& body) -> decltype(body()) {
    if constexpr (sizeof...(A) == 0) {
      return RunWith(std::forward<F>(body), &Pack, nullptr);
    } else {
      return RunWith(std::forward<F>(body), &Pack, &args_);
    }
  }

 private:
  static Value Pack(const void* args) {
    if constexpr (sizeof...(A) == 0) {
      return detail::PackArgs();
    } else {
      return std::apply([](const A&... a) { return detail::PackArgs(a...); },
                        *static_cast<const std::tuple<const A&...>*>(args));
    }
  }

  std::tuple<const A&...> args_;
};

}  // namespace tarnwick::mErrTrap
