// The dialog icons as the graphical host shows them: the image picked from the icon
// group and decoded from its bitmap and mask, and damaged data refused.
#include <gtest/gtest.h>

#include <vector>

#include "platform/posix/icon_image.h"
#include "platform/resources.h"

namespace {

using platform::ResourceBytes;
using platform::posix::IconImage;

// A 2 x 2 icon of 4 bits per pixel: palette index 1 (red) and 2 (green) on the top row,
// 0 (black) below; the mask makes the bottom-right pixel transparent.
std::vector<unsigned char> TinyIcon() {
  std::vector<unsigned char> data(40, 0);
  data[0] = 40;
  data[4] = 2;   // width
  data[8] = 4;   // height of bitmap and mask
  data[12] = 1;  // planes
  data[14] = 4;  // bits per pixel
  std::vector<unsigned char> palette(16 * 4, 0);
  palette[1 * 4 + 2] = 0xFF;  // red (blue, green, red, 0)
  palette[2 * 4 + 1] = 0xFF;  // green
  data.insert(data.end(), palette.begin(), palette.end());
  // Rows bottom-up, each padded to 4 bytes.
  data.insert(data.end(), {0x00, 0, 0, 0});
  data.insert(data.end(), {0x12, 0, 0, 0});
  // Mask rows bottom-up: bottom row's second pixel transparent.
  data.insert(data.end(), {0x40, 0, 0, 0});
  data.insert(data.end(), {0x00, 0, 0, 0});
  return data;
}

TEST(IconImage, DecodesPaletteBitmapAndMask) {
  const std::vector<unsigned char> data = TinyIcon();
  IconImage image;
  ASSERT_TRUE(platform::posix::DecodeIconImage(ResourceBytes{data.data(), data.size()}, image));
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  const std::vector<unsigned char> expected = {0xFF, 0, 0, 0xFF, 0, 0xFF, 0, 0xFF,
                                               0,    0, 0, 0xFF, 0, 0,    0, 0};
  EXPECT_EQ(image.rgba, expected);
}

TEST(IconImage, RefusesTruncatedOrOddData) {
  std::vector<unsigned char> data = TinyIcon();
  IconImage image;
  for (std::size_t size : {std::size_t{0}, std::size_t{39}, data.size() - 5}) {
    EXPECT_FALSE(platform::posix::DecodeIconImage(ResourceBytes{data.data(), size}, image)) << size;
  }
  data[4] = 0;  // no width
  EXPECT_FALSE(platform::posix::DecodeIconImage(ResourceBytes{data.data(), data.size()}, image));
  data[4] = 2;
  data[14] = 3;  // no such depth
  EXPECT_FALSE(platform::posix::DecodeIconImage(ResourceBytes{data.data(), data.size()}, image));
}

TEST(IconImage, GroupPicksTheImageClosestToTheSize) {
  // Two entries: 16 x 16 (id 7) and 32 x 32 (id 8).
  std::vector<unsigned char> group = {0, 0, 1, 0, 2, 0};
  group.insert(group.end(), {16, 16, 16, 0, 1, 0, 4, 0, 0x28, 1, 0, 0, 7, 0});
  group.insert(group.end(), {32, 32, 16, 0, 1, 0, 4, 0, 0xE8, 2, 0, 0, 8, 0});
  EXPECT_EQ(platform::posix::PickIconImage(ResourceBytes{group.data(), group.size()}, 32), 8u);
  EXPECT_EQ(platform::posix::PickIconImage(ResourceBytes{group.data(), group.size()}, 16), 7u);
  // An entry cut short is not read.
  EXPECT_EQ(platform::posix::PickIconImage(ResourceBytes{group.data(), group.size() - 1}, 32), 7u);
  EXPECT_EQ(platform::posix::PickIconImage(ResourceBytes{group.data(), 4}, 32), 0u);
}

TEST(IconImage, ProgramIconsDecodeAtBothSizes) {
  for (const unsigned id : {101u, 102u}) {
    for (const int size : {32, 16}) {
      IconImage image;
      ASSERT_TRUE(platform::posix::LoadIconImage(id, size, image)) << id;
      EXPECT_EQ(image.width, size);
      EXPECT_EQ(image.height, size);
      // Opaque in the middle, transparent in a corner of the balloon's box.
      std::size_t opaque = 0;
      for (std::size_t at = 3; at < image.rgba.size(); at += 4)
        opaque += image.rgba[at] == 0xFF;
      EXPECT_GT(opaque, 0u);
      EXPECT_LT(opaque, image.rgba.size() / 4);
    }
  }
}

}  // namespace
