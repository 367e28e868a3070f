// Every system call records the system's last-error code right after it
// returns, whether it failed or not, so that a report can name it.
#pragma once

#include <windows.h>

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

}  // namespace tarnwick::win32
