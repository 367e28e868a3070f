#include "clipboard/win32/FormatListener.h"

namespace tarnwick::clipboard {

namespace {

template <class Function>
Function FindInUser32(const char* name) {
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

}  // namespace

const FormatListener& FormatListener::Instance() {
  static const FormatListener listener;
  return listener;
}

FormatListener::FormatListener()
    : add_(FindInUser32<Function>("AddClipboardFormatListener")),
      remove_(FindInUser32<Function>("RemoveClipboardFormatListener")) {}

}  // namespace tarnwick::clipboard
