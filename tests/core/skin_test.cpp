// The compressed skin file.
#include "brand/skin.h"

#include <gtest/gtest.h>

namespace wordlark {
namespace {

TEST(Skin, PacksAndUnpacksAStyleSheet) {
  const std::string sheet = "QPushButton { color: #C00000; }\n/* caf\xC3\xA9 */\n";
  const std::string packed = PackSkin(sheet);
  EXPECT_NE(packed, sheet);
  EXPECT_EQ(UnpackSkin(packed), sheet);
  EXPECT_EQ(UnpackSkin(PackSkin("")), "");
}

TEST(Skin, RefusesWhatIsNotAWholeSkin) {
  const std::string packed = PackSkin(std::string(100000, 'a'));
  EXPECT_EQ(UnpackSkin(""), std::nullopt);
  EXPECT_EQ(UnpackSkin("QPushButton { }"), std::nullopt);
  EXPECT_EQ(UnpackSkin(packed.substr(0, packed.size() / 2)), std::nullopt);
  EXPECT_EQ(UnpackSkin(packed + "x"), std::nullopt);
  std::string flipped = packed;
  flipped[flipped.size() / 2] ^= 0x55;
  EXPECT_EQ(UnpackSkin(flipped), std::nullopt);
  // A small file that would unpack to a huge sheet is refused.
  EXPECT_EQ(UnpackSkin(packed, 1000), std::nullopt);
}

}  // namespace
}  // namespace wordlark
