#include <gtest/gtest.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "kadrelle_test/KadrelleTestAccess.h"

namespace kadrelle {
namespace {

using test::TestSite;

TEST(NewInstance, ReportsTheDefaultsOfANewControl) {
  TestSite t;
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();

  EXPECT_EQ(k.get_Enabled(), kTrue);
  EXPECT_EQ(k.get_DisplayMode(), APP_VIEW);
  EXPECT_EQ(k.get_BackColor(), 0x8000000Fu);
  EXPECT_EQ(k.get_ParamKey(), "");
  EXPECT_EQ(k.get_Parameter(), 0);
  EXPECT_EQ(k.get_EditorWidth(), 0.0f);
  EXPECT_EQ(k.get_UnitsFontScale(), 100);
  EXPECT_EQ(k.get_TransparentBack(), kFalse);
  EXPECT_EQ(k.get_PresetStyle(), ClassicStyle);
  EXPECT_EQ(k.get_CaptionPosition(), AlignedLeft);
  EXPECT_EQ(t.editBox().signLockWritten, Variant(std::int16_t{0}));

  // Two separate requests to the container, one per font.
  ASSERT_NE(k.get_Font(), nullptr);
  ASSERT_NE(k.get_CaptionFont(), nullptr);
  EXPECT_NE(k.get_Font(), k.get_CaptionFont());
  EXPECT_EQ(t.container.ambientFontRequests, 2);

  EXPECT_EQ(t.container.changed, std::vector<std::string>{"TransparentBack"});
  EXPECT_FALSE(KadrelleTestAccess(k).loading());
}

TEST(NewInstance, ContainerWithoutAmbientFontStillEndsLoading) {
  TestSite t;
  t.container.failAmbientFont = true;
  Kadrelle& k = t.make();
  EXPECT_NO_THROW(k.UserControl_InitProperties());
  EXPECT_FALSE(KadrelleTestAccess(k).loading());
  // The steps after the failure did not run...
  EXPECT_EQ(k.get_Enabled(), kFalse);
  EXPECT_TRUE(t.container.changed.empty());
  // ...and the control is usable: Enabled is applied, not swallowed by a loading guard.
  k.put_Enabled(kTrue);
  EXPECT_EQ(k.get_Enabled(), kTrue);
}

TEST(NewInstance, BuildsItsChildrenWithTheDesignedPlacement) {
  TestSite t;
  t.make();
  auto& box = t.editBox();
  EXPECT_EQ(box.get_Left(), 60);
  EXPECT_EQ(box.get_Top(), 150);
  EXPECT_EQ(box.get_Width(), 645);
  EXPECT_EQ(box.get_Height(), 375);
  EXPECT_EQ(box.get_TabIndex(), 0);
  EXPECT_EQ(box.font->get_Name(), "Arial");
  EXPECT_EQ(box.font->get_Size(), Currency::fromDouble(8.25));
  EXPECT_EQ(box.font->get_Weight(), 400);
  EXPECT_EQ(box.font->get_Italic(), kFalse);
  EXPECT_EQ(t.label().get_TabIndex(), 1);
  EXPECT_EQ(t.label().get_Visible(), kFalse);
  EXPECT_EQ(t.captionBox().get_Left(), 810);
  EXPECT_EQ(t.captionBox().get_Top(), 240);
  EXPECT_EQ(t.captionBox().get_TabIndex(), 2);
  EXPECT_EQ(t.caption().get_Width(), 1785);
  EXPECT_EQ(t.caption().get_TabIndex(), 3);
  EXPECT_EQ(t.surface().get_Width(), 3195);
  EXPECT_EQ(t.surface().get_Height(), 825);
}

struct DebugCase {
  const char* setting;  // nullptr: no setting stored
  std::int32_t mask;
};

class DebugSetting : public testing::TestWithParam<DebugCase> {};

TEST_P(DebugSetting, GivesTheTraceMask) {
  TestSite t;
  if (GetParam().setting) t.settings.setDebug(GetParam().setting);
  Kadrelle& k = t.make();
  EXPECT_EQ(KadrelleTestAccess(k).debugLevel(), GetParam().mask);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, DebugSetting,
    testing::Values(DebugCase{"6", 7}, DebugCase{"abc", 1}, DebugCase{"-2", -1},
                    DebugCase{"2.5", 3}, DebugCase{"3.5", 5}, DebugCase{nullptr, 1},
                    DebugCase{"0", 1}, DebugCase{"99999999999", 1},
                    DebugCase{"2147483647", 2147483647}, DebugCase{"-2147483648", -2147483647},
                    DebugCase{" 16 ", 17}, DebugCase{"&H20", 33}, DebugCase{"1e400", 1}));

TEST(Trace, WritesTheLineWithProcedureInstanceKeyAndCaption) {
  TestSite t;
  t.settings.setDebug("4");
  Kadrelle& k = t.make();
  KadrelleTestAccess a(k);
  a.setParamKey("P1");
  a.setCaptionText("Speed");
  t.debug.lines.clear();
  a.trace("start", "updateFromState", 4);
  a.trace("start", "", 4);
  ASSERT_EQ(t.debug.lines.size(), 2u);
  EXPECT_EQ(t.debug.lines[0],
            "Kadrelle.updateFromState [Kadrelle1] start, param=P1, caption=Speed\r\n");
  EXPECT_EQ(t.debug.lines[1], "Kadrelle [Kadrelle1] start, param=P1, caption=Speed\r\n");
}

TEST(Trace, EmptyMessageKeepsTheSeparators) {
  TestSite t;
  t.settings.setDebug("2");
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();
  ASSERT_FALSE(t.debug.lines.empty());
  EXPECT_EQ(t.debug.lines.front(), "Kadrelle.InitProperties [Kadrelle1] , param=, caption=\r\n");
}

TEST(Trace, MaskDecidesWhichLevelsAreWritten) {
  TestSite t;
  t.settings.setDebug("4");
  Kadrelle& k = t.make();
  KadrelleTestAccess a(k);
  t.debug.lines.clear();
  for (std::int32_t level : {1, 2, 4, 16, 32}) a.trace("L" + std::to_string(level), "p", level);
  ASSERT_EQ(t.debug.lines.size(), 2u);
  EXPECT_NE(t.debug.lines[0].find(" L1,"), std::string::npos);
  EXPECT_NE(t.debug.lines[1].find(" L4,"), std::string::npos);
}

// A container that counts how often it is asked for the instance name.
class CountingContainer : public test::RecordingContainer {
 public:
  std::string AmbientDisplayName() override {
    ++nameRequests;
    return "Kadrelle7";
  }
  int nameRequests = 0;
};

TEST(Trace, HiddenLevelAsksTheHostNothing) {
  TestSite t;
  CountingContainer counting;
  ControlSite site{counting, t.toolkit, t.editBoxes, t.values, t.settings, t.debug};
  Kadrelle k(site);
  KadrelleTestAccess a(k);
  t.debug.lines.clear();
  a.trace("hidden", "p", 2);
  a.trace("hidden", "p", 32);
  EXPECT_TRUE(t.debug.lines.empty());
  EXPECT_EQ(counting.nameRequests, 0);
  a.trace("shown", "p", 1);
  EXPECT_EQ(counting.nameRequests, 1);
  EXPECT_EQ(t.debug.lines.back(), "Kadrelle.p [Kadrelle7] shown, param=, caption=\r\n");
}

}  // namespace
}  // namespace kadrelle
