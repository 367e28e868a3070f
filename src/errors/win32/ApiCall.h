// Every system call that a trap may report on records the system's
// last-error code right after it returns, whether it failed or not, so that
// the report's API Error line names that call's code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>
#include <utility>

#include "errors/ErrTrap.h"

namespace tarnwick::win32 {

template <class F>
auto ApiCall(F&& call) -> decltype(call()) {
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    mErrTrap::RecordLastDllError(::GetLastError());
  } else {
    auto result = call();
    mErrTrap::RecordLastDllError(::GetLastError());
    return result;
  }
}

// ApiCall for a call whose failure (a zero, null or false result) raises
// run-time error `number`.
template <class F>
auto RequiredApiCall(F&& call, std::int32_t number) -> decltype(call()) {
  auto result = ApiCall(std::forward<F>(call));
  if (!result) mErrTrap::RaiseRuntime(number);
  return result;
}

}  // namespace tarnwick::win32
