#include "clipboard/ClipboardText.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick::clipboard {
namespace {

TEST(ClipboardText, StopsAtTheFirstNulInsideTheBlock) {
  const char16_t block[] = {u'a', u'b', u'\0', u'c', u'\0'};
  EXPECT_EQ(TextFromUnicodeBlock(block, sizeof block), u"ab");
}

TEST(ClipboardText, ABlockWithoutNulIsReadOnlyToItsSize) {
  // A block whose writer left out the NUL: nothing past its size is read
  // (AddressSanitizer would report a read past the heap block).
  std::vector<char16_t> block{u'x', u'y', u'z'};
  EXPECT_EQ(TextFromUnicodeBlock(block.data(), block.size() * sizeof(char16_t)), u"xyz");
}

TEST(ClipboardText, AnOddTrailingByteAndEmptyBlocksReadAsWhatTheyHold) {
  const char16_t block[] = {u'q', u'r'};
  EXPECT_EQ(TextFromUnicodeBlock(block, 3), u"q");
  EXPECT_EQ(TextFromUnicodeBlock(block, 1), u"");
  EXPECT_EQ(TextFromUnicodeBlock(block, 0), u"");
  EXPECT_EQ(TextFromUnicodeBlock(nullptr, 16), u"");
}

TEST(ClipboardText, WrittenBlocksReadBackWithEveryCodeUnit) {
  const Text text = u"Привет 世界 \U0001F600 end";
  std::vector<unsigned char> block(UnicodeBlockBytes(text), 0xCC);
  ASSERT_EQ(block.size(), (text.size() + 1) * 2);
  WriteUnicodeBlock(text, block.data());
  EXPECT_EQ(block[block.size() - 1], 0);
  EXPECT_EQ(block[block.size() - 2], 0);
  EXPECT_EQ(TextFromUnicodeBlock(block.data(), block.size()), text);

  std::vector<unsigned char> empty(UnicodeBlockBytes(u""), 0xCC);
  WriteUnicodeBlock(u"", empty.data());
  EXPECT_EQ(TextFromUnicodeBlock(empty.data(), empty.size()), u"");
}

}  // namespace
}  // namespace tarnwick::clipboard
