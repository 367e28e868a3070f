// Building the report text in the error context while an error travels up
// the call chain: the header (once, at the innermost level), the API Error
// line, one call-stack line per level with its "Value Of" block, and the
// optional database, web, transaction and connection blocks.
//
// Every operation here contains its own failures: a detail that cannot be
// obtained is left out or keeps its default text, so describing an error
// never replaces the error being described.
#pragma once

#include <cstdint>
#include <type_traits>

#include "common/Text.h"
#include "errors/ErrObjects.h"
#include "errors/ErrValue.h"

namespace tarnwick::mErrTrap {

// Stands for "%" while a template is filled, so that a "%" inside a filled-in
// value is never taken for a placeholder.
inline constexpr char16_t ErrMarker = u'\b';
inline constexpr std::size_t kCallStackWidth = 100;
inline constexpr std::size_t kLongValueLength = 40;

extern const char16_t kHeaderTemplate[];
extern const char16_t kWebTemplate[];

// Runs one step of describing an error; a failure leaves its fallback (or,
// without one, whatever the step had done before it failed).
template <class F, class R = std::invoke_result_t<F>>
R Contained(F&& describe, R fallback) noexcept {
  try {
    return describe();
  } catch (...) {
    return fallback;
  }
}
template <class F>
void Contained(F&& describe) noexcept {
  try {
    describe();
  } catch (...) {
  }
}

// --- Header and lines -----------------------------------------------------------
void ErrBuildHeader(TextView methodName);
// Replaces every marker + name + marker in ReportText by the value. Markers
// inside the value come out as "%" at once: a value is never filled again.
void ErrFillPlaceholder(TextView name, TextView value);
void ErrAppendLine(TextView line);
void ErrAppendApiError();
Text ErrApiMessage(std::int32_t code);
void ErrAppendFrame(TextView methodName, TextView paramNames, const Value& args,
                    TextView envNames, const Value& envValues);

// --- Rendering ------------------------------------------------------------------
Text ErrFormatArgs(TextView names, const Value& values);
Text ErrFormatValue(const Value& value);
Text ErrIndentXml(TextView text);
Text ErrPadRight(TextView text, TextView fill, std::size_t width);
// "+ n" or "- |n|"; 64 bits, so offsets of any 32-bit number are exact.
Text ErrSignedOffset(std::int64_t n);
Text ErrComputerName();
Text ErrAppVersion();
Text ErrAdoVersion();
// The header's time: "Mm/Dd/yy Hh:Nn:Ss" with the regional separators.
Text ErrTimeText(const DateValue& now, TextView dateSep, TextView timeSep);
// Upper-case hexadecimal; a negative number as its 32-bit two's complement.
Text ErrHexText(std::int32_t n);

// --- Optional blocks --------------------------------------------------------------
ErrDbObject* ErrGetConnection(ErrDbObject* dbObject);
void ErrAppendAdoInfo(ErrDbObject* connection, ErrDbObject* dbObject);
void ErrAppendWebInfo();
void ErrAbortTransaction(std::int32_t flags, ErrDbObject* connection,
                         ErrLateBound* transControl);
void ErrCloseConnection(ErrDbObject* connection);
// "succeeded" or "failed with error '<description>'".
Text ErrCallMethod(ErrLateBound* object, TextView name);
Text ErrAdoStateName(std::int32_t state);

}  // namespace tarnwick::mErrTrap
