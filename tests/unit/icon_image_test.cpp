// The dialog icons as the graphical host shows them: the image picked from the icon
// group and handed to the GTK module as an icon file, which gdk-pixbuf decodes from its
// bitmap and mask, and damaged data refused.
#include <gtest/gtest.h>

#include <vector>

#include "platform/posix/icon_image.h"
#include "platform/resources.h"

#if defined(KWU_TEST_GDK_PIXBUF)
#include <gdk-pixbuf/gdk-pixbuf.h>
#endif

namespace {

using platform::ResourceBytes;
using Bytes = std::vector<unsigned char>;

ResourceBytes Of(const Bytes& bytes, std::size_t size = SIZE_MAX) {
  return ResourceBytes{bytes.data(), std::min(size, bytes.size())};
}

// A 2 x 2 icon of 4 bits per pixel: palette index 1 (red) and 2 (green) on the top row,
// 0 (black) below; the mask makes the bottom-right pixel transparent.
Bytes TinyIcon() {
  Bytes data(40, 0);
  data[0] = 40;
  data[4] = 2;   // width
  data[8] = 4;   // height of bitmap and mask
  data[12] = 1;  // planes
  data[14] = 4;  // bits per pixel
  Bytes palette(16 * 4, 0);
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

// Two entries: 16 x 16 (id 7) and 2 x 2 (id 8, the tiny icon).
Bytes Group() {
  Bytes group = {0, 0, 1, 0, 2, 0};
  group.insert(group.end(), {16, 16, 16, 0, 1, 0, 4, 0, 0x28, 1, 0, 0, 7, 0});
  group.insert(group.end(), {2, 2, 16, 0, 1, 0, 4, 0, 0x78, 0, 0, 0, 8, 0});
  return group;
}

TEST(IconImage, GroupPicksTheImageClosestToTheSize) {
  const Bytes group = Group();
  EXPECT_EQ(platform::posix::PickIconImage(Of(group), 32), 7u);
  EXPECT_EQ(platform::posix::PickIconImage(Of(group), 2), 8u);
  // An entry cut short is not read.
  EXPECT_EQ(platform::posix::PickIconImage(Of(group, group.size() - 1), 2), 7u);
  EXPECT_EQ(platform::posix::PickIconImage(Of(group, 4), 32), 0u);
}

TEST(IconImage, TheIconFileHoldsThePickedImageAlone) {
  const Bytes group = Group();
  const Bytes image = TinyIcon();
  Bytes file;
  ASSERT_TRUE(platform::posix::IconFileOf(Of(group), 8, Of(image), file));
  Bytes expected = {0, 0, 1, 0, 1, 0, 2, 2, 16, 0, 1, 0, 4, 0};
  expected.insert(expected.end(), {0x78, 0, 0, 0, 22, 0, 0, 0});
  expected.insert(expected.end(), image.begin(), image.end());
  EXPECT_EQ(file, expected);
  EXPECT_FALSE(platform::posix::IconFileOf(Of(group), 9, Of(image), file));
  EXPECT_FALSE(platform::posix::IconFileOf(Of(group, group.size() - 1), 8, Of(image), file));
  // An image shorter than the group says, which gdk-pixbuf would fill with what it likes.
  EXPECT_FALSE(platform::posix::IconFileOf(Of(group), 8, Of(image, image.size() - 1), file));
  EXPECT_FALSE(platform::posix::IconFileOf(Of(group), 8, Of(image, 0), file));
}

#if defined(KWU_TEST_GDK_PIXBUF)
// The picture the GTK module shows for an icon file: rows from the top, red, green, blue
// and alpha for each pixel; empty when gdk-pixbuf cannot read the file.
Bytes Picture(const Bytes& file, int& width, int& height) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("ico", nullptr);
  const bool written = gdk_pixbuf_loader_write(loader, file.data(), file.size(), nullptr);
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  Bytes rgba;
  if (pixbuf && gdk_pixbuf_get_n_channels(pixbuf) == 4) {
    width = gdk_pixbuf_get_width(pixbuf);
    height = gdk_pixbuf_get_height(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    for (int y = 0; y < height; ++y) {
      const guchar* row = pixels + y * gdk_pixbuf_get_rowstride(pixbuf);
      rgba.insert(rgba.end(), row, row + width * 4);
    }
  }
  g_object_unref(loader);
  return rgba;
}

TEST(IconImage, GdkPixbufShowsPaletteBitmapAndMaskAndRefusesDamage) {
  const Bytes group = Group();
  Bytes image = TinyIcon();
  Bytes file;
  int width = 0, height = 0;
  ASSERT_TRUE(platform::posix::IconFileOf(Of(group), 8, Of(image), file));
  const Bytes picture = Picture(file, width, height);
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 2);
  ASSERT_EQ(picture.size(), 16u);
  // The transparent pixel's colour is no part of the picture.
  EXPECT_EQ(Bytes(picture.begin(), picture.begin() + 12),
            Bytes({0xFF, 0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF}));
  EXPECT_EQ(picture[15], 0);
  // Of a depth no bitmap has: nothing to show.
  image[14] = 3;
  ASSERT_TRUE(platform::posix::IconFileOf(Of(group), 8, Of(image), file));
  EXPECT_TRUE(Picture(file, width, height).empty());
}

TEST(IconImage, ProgramIconsShowAtBothSizes) {
  for (const unsigned id : {101u, 102u}) {
    for (const int size : {32, 16}) {
      Bytes file;
      ASSERT_TRUE(platform::posix::LoadIconFile(id, size, file)) << id;
      int width = 0, height = 0;
      const Bytes picture = Picture(file, width, height);
      EXPECT_EQ(width, size);
      EXPECT_EQ(height, size);
      // Opaque in the middle, transparent in a corner of the balloon's box.
      std::size_t opaque = 0;
      for (std::size_t at = 3; at < picture.size(); at += 4)
        opaque += picture[at] == 0xFF;
      EXPECT_GT(opaque, 0u);
      EXPECT_LT(opaque, picture.size() / 4);
    }
  }
}
#endif

}  // namespace
