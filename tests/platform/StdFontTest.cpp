#include "platform/StdFont.h"

#include <gtest/gtest.h>

namespace kadrelle {
namespace {

TEST(StdFont, NewFontIsArial825Regular) {
  StdFont f;
  EXPECT_EQ(f.get_Name(), "Arial");
  EXPECT_EQ(f.get_Size(), Currency::fromScaled(82500));
  EXPECT_EQ(f.get_Weight(), 400);
  EXPECT_EQ(f.get_Bold(), kFalse);
  EXPECT_EQ(f.get_Charset(), 0);
  EXPECT_EQ(*makeFont(), f);
  EXPECT_EQ(makeFont("Tahoma", 9.75)->get_Size(), Currency::fromScaled(97500));
}

TEST(StdFont, BoldSetsTheWeight) {
  StdFont f;
  f.put_Weight(900);
  f.put_Bold(kTrue);
  EXPECT_EQ(f.get_Weight(), 700);
  EXPECT_EQ(f.get_Bold(), kTrue);
  f.put_Weight(100);
  f.put_Bold(kFalse);
  EXPECT_EQ(f.get_Weight(), 400);
  EXPECT_EQ(f.get_Bold(), kFalse);
  // Any nonzero raw Boolean is True.
  f.put_Bold(Boolean::fromRaw(1));
  EXPECT_EQ(f.get_Weight(), 700);
}

TEST(StdFont, WeightAbove550ReadsAsBold) {
  for (auto [weight, bold] :
       {std::pair<std::int16_t, bool>{550, false}, {551, true}, {-1, false}}) {
    StdFont f;
    f.put_Weight(weight);
    EXPECT_EQ(f.get_Bold(), Boolean(bold)) << weight;
    EXPECT_EQ(f.get_Weight(), weight);
  }
}

}  // namespace
}  // namespace kadrelle
