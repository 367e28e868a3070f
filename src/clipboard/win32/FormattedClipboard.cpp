#include "clipboard/win32/FormattedClipboard.h"

#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "clipboard/win32/GlobalMemory.h"

namespace tarnwick::clipboard {

namespace {

std::optional<std::string> ReadOpenBlock(UINT format) {
  if (format == 0 || !::IsClipboardFormatAvailable(format)) return std::nullopt;
  try {
    LockedGlobal lock(::GetClipboardData(format));
    if (lock.data() == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(lock.data()), lock.bytes());
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace

UINT HtmlClipboardFormat() {
  static const UINT format = ::RegisterClipboardFormatW(L"HTML Format");
  return format;
}

UINT RtfClipboardFormat() {
  static const UINT format = ::RegisterClipboardFormatW(L"Rich Text Format");
  return format;
}

UINT CloudUploadClipboardFormat() {
  static const UINT format = ::RegisterClipboardFormatW(L"CanUploadToCloudClipboard");
  return format;
}

FormattedVersions ReadOpenFormattedVersions() {
  return {ReadOpenBlock(HtmlClipboardFormat()), ReadOpenBlock(RtfClipboardFormat()), ReadOpenDword(CF_LOCALE),
          ReadOpenDword(CloudUploadClipboardFormat())};
}

std::optional<std::uint32_t> ReadOpenDword(UINT format) {
  if (format == 0 || !::IsClipboardFormatAvailable(format)) return std::nullopt;
  LockedGlobal lock(::GetClipboardData(format));
  if (lock.data() == nullptr || lock.bytes() < sizeof(DWORD)) return std::nullopt;
  return *static_cast<const DWORD*>(lock.data());
}

win32::GlobalBlock GlobalBlockOf(std::string_view bytes) {
  win32::GlobalBlock block(::GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!block) return block;
  LockedGlobal lock(block.get());
  if (lock.data() == nullptr) return win32::GlobalBlock();
  if (!bytes.empty()) std::memcpy(lock.data(), bytes.data(), bytes.size());
  return block;
}

}  // namespace tarnwick::clipboard
