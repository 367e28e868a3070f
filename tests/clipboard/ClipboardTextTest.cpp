#include "clipboard/ClipboardText.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick::clipboard {
namespace {

// A block reads up to its first NUL and never past its size: a writer may
// leave the NUL out (AddressSanitizer would report a read past the heap
// block), and an odd trailing byte is no code unit.
TEST(ClipboardText, ABlockReadsUpToItsFirstNulWithinItsSize) {
  const char16_t withNul[] = {u'a', u'b', u'\0', u'c', u'\0'};
  const std::vector<char16_t> noNul{u'x', u'y', u'z'};
  const struct {
    const void* data;
    std::size_t bytes;
    Text text;
  } rows[] = {{withNul, sizeof withNul, u"ab"}, {noNul.data(), 6, u"xyz"}, {noNul.data(), 5, u"xy"},
              {noNul.data(), 1, u""}, {noNul.data(), 0, u""}, {nullptr, 16, u""}};
  for (const auto& row : rows) EXPECT_EQ(TextFromUnicodeBlock(row.data, row.bytes), row.text) << row.bytes;
}

TEST(ClipboardText, WrittenBlocksEndInNulAndReadBackWithEveryCodeUnit) {
  for (const Text& text : {Text(u"Привет 世界 \U0001F600 end"), Text()}) {
    std::vector<unsigned char> block(UnicodeBlockBytes(text), 0xCC);
    ASSERT_EQ(block.size(), (text.size() + 1) * 2);
    WriteUnicodeBlock(text, block.data());
    EXPECT_EQ(block[block.size() - 1] | block[block.size() - 2], 0);
    EXPECT_EQ(TextFromUnicodeBlock(block.data(), block.size()), text);
  }
}

}  // namespace
}  // namespace tarnwick::clipboard
