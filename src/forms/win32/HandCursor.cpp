#include "forms/win32/HandCursor.h"

#include <array>
#include <cstdint>

#include "common/win32/Handles.h"

namespace tarnwick::forms {
namespace {

// '#' black, 'o' white, '.' transparent. The hot spot is the tip of the
// index finger.
constexpr int kSize = 32;
constexpr int kHotX = 9, kHotY = 1;
constexpr const char* kImage[kSize] = {
    "........##......................",
    ".......#oo#.....................",
    ".......#oo#.....................",
    ".......#oo#.....................",
    ".......#oo#.....................",
    ".......#oo###...................",
    ".......#oo#oo###................",
    ".......#oo#oo#oo##..............",
    ".......#oo#oo#oo#o#.............",
    "....##.#oo#oo#oo#oo#............",
    "...#oo##oooooooo#oo#............",
    "...#ooo#ooooooooooo#............",
    "....#oo#ooooooooooo#............",
    ".....#ooooooooooooo#............",
    ".....#ooooooooooooo#............",
    "......#oooooooooooo#............",
    "......#ooooooooooo#.............",
    ".......#oooooooooo#.............",
    ".......#oooooooooo#.............",
    "........#oooooooo#..............",
    "........#oooooooo#..............",
    "........##########..............",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

struct CursorMasks {
  std::array<std::uint8_t, kSize * kSize / 8> andMask{};
  std::array<std::uint8_t, kSize * kSize / 8> xorMask{};
};

// AND 1 keeps the screen (transparent); AND 0 with XOR 0 is black, with
// XOR 1 white.
CursorMasks MasksOf(const char* const (&image)[kSize]) {
  CursorMasks masks;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const char pixel = image[y][x];
      const std::size_t byte = static_cast<std::size_t>(y * kSize + x) / 8;
      const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
      if (pixel == '.') masks.andMask[byte] |= bit;
      if (pixel == 'o') masks.xorMask[byte] |= bit;
    }
  }
  return masks;
}

}  // namespace

HCURSOR HandCursor() {
  static const win32::CursorHandle cursor = [] {
    const CursorMasks masks = MasksOf(kImage);
    HCURSOR made = ::CreateCursor(::GetModuleHandleW(nullptr), kHotX, kHotY, kSize, kSize,
                                  masks.andMask.data(), masks.xorMask.data());
    return win32::CursorHandle(made != nullptr ? made : static_cast<HCURSOR>(::CopyIcon(::LoadCursorW(nullptr, IDC_HAND))));
  }();
  return cursor.get();
}

}  // namespace tarnwick::forms
