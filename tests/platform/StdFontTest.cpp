#include "platform/StdFont.h"

#include <gtest/gtest.h>

#include <tuple>

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

// Bold sets the weight to 700 or 400 (any nonzero raw Boolean is True); a weight above 550 reads
// as bold.
TEST(StdFont, BoldAndWeightFollowEachOther) {
  StdFont f;
  for (auto [weight, bold, weightAfter] :
       {std::tuple<std::int16_t, Boolean, std::int16_t>{900, kTrue, 700},
        {100, kFalse, 400},
        {100, Boolean::fromRaw(1), 700}}) {
    f.put_Weight(weight);
    f.put_Bold(bold);
    EXPECT_EQ(f.get_Weight(), weightAfter);
    EXPECT_EQ(f.get_Bold(), Boolean(weightAfter == 700));
  }
  for (std::int16_t weight : {550, 551, -1}) {
    f.put_Weight(weight);
    EXPECT_EQ(f.get_Bold(), Boolean(weight == 551)) << weight;
    EXPECT_EQ(f.get_Weight(), weight);
  }
}

}  // namespace
}  // namespace kadrelle
