// The current error: the record that a raised error carries, the error number
// constants, and the exception that carries a raised error up the call chain.
#pragma once

#include <cstdint>
#include <exception>
#include <utility>

#include "common/Text.h"

namespace tarnwick::mErrTrap {

struct ErrInfo {
  std::int32_t Number = 0;  // 0: no error
  Text Source;
  Text Description;
  Text HelpFile;  // also carries the "NoStop" mark
  std::int32_t HelpContext = 0;
};

inline constexpr std::int32_t vbObjectError = -2147221504;         // 0x80040000
inline constexpr std::int32_t ERR_GENERAL = vbObjectError + 5198;  // 0x8004144E
inline constexpr std::int32_t ERRMAP_APP_FIRST = ERR_GENERAL;
inline constexpr std::int32_t kSilentFirst = vbObjectError + 4197;  // both ends included
inline constexpr std::int32_t kSilentLast = vbObjectError + 5197;
inline constexpr char16_t kPropagatedSource[] = u"ErrTrap.ErrorIn";
inline constexpr char16_t kNoStopMark[] = u"NoStop";

// Run-time error numbers, with the messages that the program shows for them.
namespace rt {
inline constexpr std::int32_t InvalidCall = 5;      // "Invalid procedure call or argument"
inline constexpr std::int32_t Overflow = 6;         // "Overflow"
inline constexpr std::int32_t OutOfMemory = 7;      // "Out of memory"
inline constexpr std::int32_t SubscriptRange = 9;   // "Subscript out of range"
inline constexpr std::int32_t TypeMismatch = 13;    // "Type mismatch"
inline constexpr std::int32_t FileNotFound = 53;    // "File not found"
inline constexpr std::int32_t DiskFull = 61;        // "Disk full"
inline constexpr std::int32_t PermissionDenied = 70;  // "Permission denied"
inline constexpr std::int32_t PathFileAccess = 75;  // "Path/File access error"
inline constexpr std::int32_t PathNotFound = 76;    // "Path not found"
inline constexpr std::int32_t ObjectNotSet = 91;    // "Object variable or With block variable not set"
inline constexpr std::int32_t ControlArrayElement = 340;  // "Control array element 'N' doesn't exist"
inline constexpr std::int32_t InvalidProperty = 380;  // "Invalid property value"
inline constexpr std::int32_t NoSuchMember = 438;   // "Object doesn't support this property or method"
inline constexpr std::int32_t CantOpenClipboard = 521;  // "Can't open Clipboard"
}  // namespace rt

// The message of a run-time error number ("Application-defined or
// object-defined error" for numbers without a message of their own).
Text RuntimeMessage(std::int32_t number);

// A raised error on its way to the nearest trap.
class ErrRaised : public std::exception {
 public:
  explicit ErrRaised(ErrInfo info) : info_(std::move(info)) {}
  const ErrInfo& info() const noexcept { return info_; }
  const char* what() const noexcept override { return "tarnwick::mErrTrap::ErrRaised"; }

 private:
  ErrInfo info_;
};

// The current error that an exception stands for: an ErrRaised gives its own
// fields; std::bad_alloc and std::length_error give 7 "Out of memory",
// std::out_of_range 9 "Subscript out of range", std::overflow_error 6
// "Overflow", and any other exception 5 "Invalid procedure call or argument".
// Run-time errors carry the program title as their Source.
ErrInfo ErrInfoOf(std::exception_ptr failure);

// Raises an error: throws ErrRaised with these fields.
[[noreturn]] void Raise(std::int32_t number, Text description = {}, Text source = kProgramTitle,
                        Text helpFile = {}, std::int32_t helpContext = 0);
// Raises a run-time error with its standard message.
[[noreturn]] void RaiseRuntime(std::int32_t number);
// Raises error 340 naming the missing element's index.
[[noreturn]] void RaiseControlArrayElement(std::int32_t index);

}  // namespace tarnwick::mErrTrap
