#include "errors/ErrInfo.h"

#include <new>
#include <stdexcept>
#include <utility>

namespace tarnwick::mErrTrap {

Text RuntimeMessage(std::int32_t number) {
  switch (number) {
    case rt::InvalidCall: return u"Invalid procedure call or argument";
    case rt::Overflow: return u"Overflow";
    case rt::OutOfMemory: return u"Out of memory";
    case rt::SubscriptRange: return u"Subscript out of range";
    case rt::TypeMismatch: return u"Type mismatch";
    case rt::FileNotFound: return u"File not found";
    case rt::DiskFull: return u"Disk full";
    case rt::PermissionDenied: return u"Permission denied";
    case rt::PathFileAccess: return u"Path/File access error";
    case rt::PathNotFound: return u"Path not found";
    case rt::ObjectNotSet: return u"Object variable or With block variable not set";
    case rt::ControlArrayElement: return u"Control array element 'N' doesn't exist";
    case rt::InvalidProperty: return u"Invalid property value";
    case rt::NoSuchMember: return u"Object doesn't support this property or method";
    case rt::CantOpenClipboard: return u"Can't open Clipboard";
    default: return u"Application-defined or object-defined error";
  }
}

namespace {
ErrInfo RuntimeError(std::int32_t number) {
  ErrInfo info;
  info.Number = number;
  info.Source = kProgramTitle;
  info.Description = RuntimeMessage(number);
  return info;
}
}  // namespace

ErrInfo ErrInfoOf(std::exception_ptr failure) {
  if (!failure) return RuntimeError(rt::InvalidCall);
  try {
    std::rethrow_exception(failure);
  } catch (const ErrRaised& raised) {
    return raised.info();
  } catch (const std::bad_alloc&) {
    return RuntimeError(rt::OutOfMemory);
  } catch (const std::length_error&) {
    return RuntimeError(rt::OutOfMemory);
  } catch (const std::out_of_range&) {
    return RuntimeError(rt::SubscriptRange);
  } catch (const std::overflow_error&) {
    return RuntimeError(rt::Overflow);
  } catch (...) {
    return RuntimeError(rt::InvalidCall);
  }
}

void Raise(std::int32_t number, Text description, Text source, Text helpFile,
           std::int32_t helpContext) {
  ErrInfo info;
  info.Number = number;
  info.Source = std::move(source);
  info.Description = std::move(description);
  info.HelpFile = std::move(helpFile);
  info.HelpContext = helpContext;
  throw ErrRaised(std::move(info));
}

void RaiseRuntime(std::int32_t number) { Raise(number, RuntimeMessage(number)); }

void RaiseControlArrayElement(std::int32_t index) {
  Raise(rt::ControlArrayElement,
        u"Control array element '" + DecimalText(index) + u"' doesn't exist");
}

}  // namespace tarnwick::mErrTrap
