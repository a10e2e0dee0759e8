#include <gtest/gtest.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "kadrelle_test/KadrelleTestAccess.h"

namespace kadrelle {
namespace {

using test::TestSite;

// The defaults a new instance saves are checked with the saved keys.
TEST(NewInstance, AsksForEachFontAndOrdersTheChildren) {
  TestSite t;
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();
  ASSERT_NE(k.get_Font(), nullptr);
  EXPECT_NE(k.get_Font(), k.get_CaptionFont());
  EXPECT_EQ(t.container.ambientFontRequests, 2);
  // Tab order: edit box, measuring label, caption box, caption.
  const auto c = t.children();
  EXPECT_EQ((std::vector<int>{c.editBox.get_TabIndex(), c.measuringLabel.get_TabIndex(),
                              c.captionBox.get_TabIndex(), c.caption.get_TabIndex()}),
            (std::vector<int>{0, 1, 2, 3}));
}

TEST(NewInstance, StartsAtItsDesignedSizeWhateverSurfaceTheToolkitGives) {
  struct SmallSurfaces : HeadlessToolkit {
    std::unique_ptr<ControlSurface> createSurface() override {
      auto surface = HeadlessToolkit::createSurface();
      surface->resize(100, 100);
      return surface;
    }
  } toolkit;
  TestSite t;
  // The site is a temporary: the control keeps its own copy (the sanitizers see a dangling one).
  Kadrelle k(ControlSite{t.container, toolkit, t.editBoxes, t.values, t.settings, t.debug});
  EXPECT_EQ(k.children().surface.get_Width(), 3195.0f);
  EXPECT_EQ(k.children().surface.get_Height(), 825.0f);
  k.UserControl_InitProperties();
  k.children().surface.resize(4000, 400);
  EXPECT_EQ(t.container.ambientFontRequests, 2);
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

TEST(NewInstance, DebugSettingGivesTheTraceMask) {
  const std::pair<const char*, std::int32_t> cases[] = {{"6", 7},
                                                        {"abc", 1},
                                                        {"-2", -1},
                                                        {"2.5", 3},
                                                        {"3.5", 5},
                                                        {nullptr, 1},
                                                        {"0", 1},
                                                        {"99999999999", 1},
                                                        {" 16 ", 17},
                                                        {"&H20", 33},
                                                        {"1e400", 1},
                                                        {"2147483647", 2147483647},
                                                        {"-2147483648", -2147483647}};
  for (const auto& [setting, mask] : cases) {
    TestSite t;
    if (setting) t.settings.setDebug(setting);
    EXPECT_EQ(KadrelleTestAccess(t.make()).debugLevel(), mask) << (setting ? setting : "none");
  }
}

TEST(Trace, WritesTheLinesTheMaskShowsWithProcedureInstanceKeyAndCaption) {
  TestSite t;
  t.settings.setDebug("4");
  t.container.displayName = "Kadrelle7";
  Kadrelle& k = t.make();
  KadrelleTestAccess a(k);
  a.setParamKey("P1");
  a.setCaptionText("Speed");
  t.debug.lines.clear();
  t.container.nameRequests = 0;
  for (std::int32_t level : {2, 32}) a.trace("hidden", "p", level);
  EXPECT_EQ(t.container.nameRequests, 0);  // a hidden level asks the host nothing
  for (std::int32_t level : {1, 2, 4, 16, 32}) a.trace("L" + std::to_string(level), "p", level);
  a.trace("", "", 4);
  EXPECT_EQ(t.debug.lines,
            (std::vector<std::string>{"Kadrelle.p [Kadrelle7] L1, param=P1, caption=Speed\r\n",
                                      "Kadrelle.p [Kadrelle7] L4, param=P1, caption=Speed\r\n",
                                      "Kadrelle [Kadrelle7] , param=P1, caption=Speed\r\n"}));
  EXPECT_EQ(t.container.nameRequests, 3);
}

}  // namespace
}  // namespace kadrelle
