#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/filedialog/text_buffer.h"

namespace {

// A buffer of `Capacity` with guard bytes behind it that must stay intact.
template <std::size_t Capacity>
struct Guarded {
  std::array<char, Capacity + 8> bytes;
  Guarded() { bytes.fill('#'); }
  char* data() { return bytes.data(); }
  bool guardIntact() const {
    for (std::size_t i = Capacity; i < bytes.size(); ++i)
      if (bytes[i] != '#') return false;
    return true;
  }
  bool zeroFrom(std::size_t from) const {
    for (std::size_t i = from; i < Capacity; ++i)
      if (bytes[i] != '\0') return false;
    return true;
  }
};

TEST(TextBuffer, CopiesShortTextAndZeroFillsTheRest) {
  Guarded<16> buffer;
  filedialog::fillBuffer(buffer.data(), 16, "MOR0003");
  EXPECT_STREQ(buffer.data(), "MOR0003");
  EXPECT_TRUE(buffer.zeroFrom(7));
  EXPECT_TRUE(buffer.guardIntact());
}

TEST(TextBuffer, CutsLongTextToLeaveRoomForTheTerminator) {
  Guarded<16> buffer;
  filedialog::fillBuffer(buffer.data(), 16, QString(40, 'a'));
  EXPECT_EQ(std::strlen(buffer.data()), 15u);
  EXPECT_TRUE(buffer.guardIntact());
  EXPECT_EQ(filedialog::bufferText(buffer.data(), 16), QString(15, 'a'));
}

TEST(TextBuffer, NeverCutsInsideACharacter) {
  // Two bytes each: seven fit in fifteen bytes, the eighth would be split.
  Guarded<16> buffer;
  filedialog::fillBuffer(buffer.data(), 16, QString(10, QChar(0xe9)));
  EXPECT_EQ(std::strlen(buffer.data()), 14u);
  EXPECT_EQ(filedialog::bufferText(buffer.data(), 16), QString(7, QChar(0xe9)));
  EXPECT_TRUE(buffer.guardIntact());

  // A character outside the basic plane (four bytes, two UTF-16 units).
  Guarded<8> small;
  filedialog::fillBuffer(small.data(), 8, "ab" + QString::fromUcs4(U"\U0001F600\U0001F600"));
  EXPECT_EQ(filedialog::bufferText(small.data(), 8), "ab" + QString::fromUcs4(U"\U0001F600"));
  EXPECT_TRUE(small.guardIntact());
}

TEST(TextBuffer, StopsAtAZeroCharacter) {
  Guarded<16> buffer;
  filedialog::fillBuffer(buffer.data(), 16, QString("abc") + QChar(0) + "def");
  EXPECT_EQ(filedialog::bufferText(buffer.data(), 16), "abc");
  EXPECT_TRUE(buffer.zeroFrom(3));
}

TEST(TextBuffer, ReadsNoFurtherThanItsCapacity) {
  const char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(filedialog::bufferText(unterminated, 4), "abcd");
  EXPECT_EQ(filedialog::bufferText(unterminated, 2), "ab");
  EXPECT_EQ(filedialog::bufferText(nullptr, 4), QString());
  filedialog::fillBuffer(nullptr, 4, "abc");  // no buffer: nothing to do, no crash
  Guarded<1> one;
  filedialog::fillBuffer(one.data(), 1, "abc");
  EXPECT_EQ(one.bytes[0], '\0');
  EXPECT_TRUE(one.guardIntact());
}

}  // namespace
