#include <gtest/gtest.h>

#include "platform/StdFont.h"

namespace kadrelle {
namespace {

TEST(StdFont, NewFontIsArial825Regular) {
  StdFont f;
  EXPECT_EQ(f.get_Name(), "Arial");
  EXPECT_EQ(f.get_Size(), Currency::fromScaled(82500));
  EXPECT_EQ(f.get_Weight(), 400);
  EXPECT_EQ(f.get_Bold(), kFalse);
  EXPECT_EQ(f.get_Italic(), kFalse);
  EXPECT_EQ(f.get_Underline(), kFalse);
  EXPECT_EQ(f.get_Strikethrough(), kFalse);
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

struct WeightCase {
  std::int16_t weight;
  bool bold;
};

class FontWeight : public testing::TestWithParam<WeightCase> {};

TEST_P(FontWeight, ReadsBoldAbove550) {
  StdFont f;
  f.put_Weight(GetParam().weight);
  EXPECT_EQ(f.get_Bold(), Boolean(GetParam().bold));
  EXPECT_EQ(f.get_Weight(), GetParam().weight);
}

INSTANTIATE_TEST_SUITE_P(StdFont, FontWeight,
                         testing::Values(WeightCase{0, false}, WeightCase{400, false},
                                         WeightCase{550, false}, WeightCase{551, true},
                                         WeightCase{600, true}, WeightCase{700, true},
                                         WeightCase{1000, true}, WeightCase{-1, false}));

TEST(StdFont, AttributesAreIndependent) {
  StdFont f;
  f.put_Italic(kTrue);
  f.put_Underline(kTrue);
  f.put_Strikethrough(kTrue);
  f.put_Charset(2);
  f.put_Name("Symbol");
  f.put_Size(Currency::fromScaled(120000));
  EXPECT_EQ(f.get_Bold(), kFalse);
  EXPECT_EQ(f.get_Weight(), 400);
  EXPECT_EQ(f.get_Italic(), kTrue);
  EXPECT_EQ(f.get_Underline(), kTrue);
  EXPECT_EQ(f.get_Strikethrough(), kTrue);
  EXPECT_EQ(f.get_Charset(), 2);
  EXPECT_EQ(f.get_Name(), "Symbol");
  EXPECT_NE(f, StdFont());
}

}  // namespace
}  // namespace kadrelle
