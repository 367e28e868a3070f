// The outcome of a call as one text that a table row can hold: what it
// returned, or the number and description of the error it raised
// ("13 Type mismatch").
#pragma once

#include <cstdio>
#include <exception>
#include <type_traits>

#include "common/Text.h"
#include "errors/ErrInfo.h"

namespace tarnwick::testsupport {

template <class F>
Text Outcome(F&& call) {
  try {
    using Result = decltype(call());
    if constexpr (std::is_void_v<Result>) {
      call();
      return u"returned";
    } else if constexpr (std::is_floating_point_v<Result>) {
      char text[32];
      std::snprintf(text, sizeof text, "%.9g", static_cast<double>(call()));
      return AsciiToText(text);
    } else {
      return DecimalText(call());
    }
  } catch (...) {
    const mErrTrap::ErrInfo info = mErrTrap::ErrInfoOf(std::current_exception());
    return DecimalText(info.Number) + u" " + info.Description;
  }
}

}  // namespace tarnwick::testsupport
