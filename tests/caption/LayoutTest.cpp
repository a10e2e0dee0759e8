#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "kadrelle_test/KadrelleTestAccess.h"
#include "platform/HeadlessToolkit.h"

namespace kadrelle {
namespace {

using test::TestSite;

struct Rect {
  float left, top, width, height;
  friend bool operator==(const Rect&, const Rect&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ")";
  }
};

template <class Child>
Rect placeOf(const Child& c) {
  return {c.get_Left(), c.get_Top(), c.get_Width(), c.get_Height()};
}

using test::traceMessages;

class Layout : public testing::Test {
 protected:
  explicit Layout(const char* debug = "7") {
    t.settings.setDebug(debug);
    k = &t.make();
    k->UserControl_InitProperties();
  }
  // Runs the caption's composition, and with it its layout.
  void recompose() {
    std::string description = "Speed";
    k->put_SetUserDescription(description);
  }
  // Height of the caption's plain text as the measuring label reports it.
  float contentHeight() {
    return static_cast<float>(HeadlessMetrics::lineCount(t.caption().get_Text())) * 195.0f;
  }

  TestSite t;
  Kadrelle* k = nullptr;
};

TEST_F(Layout, GrowsToOneLineAndTheNestedResizeOnlyTraces) {
  t.debug.lines.clear();
  t.surface().resize(3000, 200);
  EXPECT_EQ(t.surface().get_Height(), 295.0f);
  EXPECT_EQ(KadrelleTestAccess(*k).lineHeight(), 195.0f);
  EXPECT_EQ(placeOf(t.editBox()), (Rect{0, 0, 3000, 195}));
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"),
            (std::vector<std::string>{"start", "start", "recursing", "end"}));
  EXPECT_FALSE(KadrelleTestAccess(*k).inResize());

  t.debug.lines.clear();
  t.surface().resize(3000, 300);
  EXPECT_EQ(t.surface().get_Height(), 300.0f);
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"),
            (std::vector<std::string>{"start", "end"}));
}

TEST_F(Layout, MinimumHeightWithoutBorderIsOneLine) {
  k->put_BorderStyle(0);
  t.surface().resize(3000, 100);
  EXPECT_EQ(t.surface().get_Height(), 195.0f);
  t.surface().resize(3000, 195);
  EXPECT_EQ(t.surface().get_Height(), 195.0f);
}

TEST_F(Layout, EditorWidthIsClampedToTheControlWidth) {
  t.surface().resize(3000, 825);
  t.container.changed.clear();
  k->put_EditorWidth(5000);
  EXPECT_EQ(k->get_EditorWidth(), 3000.0f);
  EXPECT_EQ(t.editBox().get_Width(), 3000.0f);
  EXPECT_EQ(t.container.changed, std::vector<std::string>{"EditorWidth"});
}

TEST_F(Layout, EditorWidthZeroBecomesTheFullWidthAtTheNextResize) {
  t.surface().resize(3000, 825);
  k->put_EditorWidth(800);
  t.container.changed.clear();
  k->put_EditorWidth(0);
  // The let notifies once, the resize it runs replaces 0 and notifies again.
  EXPECT_EQ(t.container.changed, (std::vector<std::string>{"EditorWidth", "EditorWidth"}));
  EXPECT_EQ(k->get_EditorWidth(), 3000.0f);
  EXPECT_EQ(t.editBox().get_Width(), 3000.0f);
}

TEST_F(Layout, NegativeEditorWidthIsStoredAndTheRefusedMoveSkipped) {
  t.surface().resize(3000, 825);
  k->put_EditorWidth(800);
  const Rect before = placeOf(t.editBox());
  t.debug.lines.clear();
  EXPECT_NO_THROW(k->put_EditorWidth(-20));
  EXPECT_EQ(k->get_EditorWidth(), -20.0f);
  EXPECT_EQ(placeOf(t.editBox()), before);
  EXPECT_FALSE(KadrelleTestAccess(*k).inResize());
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"),
            (std::vector<std::string>{"start", "end"}));
}

TEST_F(Layout, NothingHappensWhileLoading) {
  KadrelleTestAccess(*k).setLoading(true);
  t.debug.lines.clear();
  const Rect before = placeOf(t.editBox());
  t.surface().resize(3000, 100);
  EXPECT_EQ(t.surface().get_Height(), 100.0f);
  EXPECT_EQ(placeOf(t.editBox()), before);
  EXPECT_TRUE(t.debug.lines.empty());
}

TEST_F(Layout, ZeroSizeSurfaceOnlyTracesRecursing) {
  t.surface().resize(3000, 825);
  const Rect before = placeOf(t.editBox());
  t.debug.lines.clear();
  t.surface().resize(0, 825);
  EXPECT_EQ(placeOf(t.editBox()), before);
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"),
            (std::vector<std::string>{"start", "recursing"}));
}

// Edit box and caption placement by editor position, on a 3000 x 1000 control.
struct Placement {
  std::int32_t position;
  float editorWidth;
  Rect editBox;
  // Caption box; a height below 0 stands for "the content height", -2 for "1000 less it".
  Rect caption;
};

class LayoutByPosition : public Layout, public testing::WithParamInterface<Placement> {};

TEST_P(LayoutByPosition, PlacesEditBoxAtOnceAndCaptionAtTheNextComposition) {
  const Placement& p = GetParam();
  t.surface().resize(3000, 1000);
  k->put_EditorWidth(p.editorWidth);
  const Rect captionBefore = placeOf(t.captionBox());
  k->put_EditorPosition(p.position);
  EXPECT_EQ(placeOf(t.editBox()), p.editBox);
  EXPECT_EQ(placeOf(t.captionBox()), captionBefore);

  recompose();
  ASSERT_EQ(HeadlessMetrics::lineCount(t.caption().get_Text()), 1) << t.caption().get_Text();
  Rect expected = p.caption;
  if (expected.height == -1) expected.height = contentHeight();
  if (expected.height == -2) expected.height = 1000 - contentHeight();
  EXPECT_EQ(placeOf(t.captionBox()), expected);
  EXPECT_EQ(placeOf(t.caption()), (Rect{0, 0, expected.width, expected.height}));
}

INSTANTIATE_TEST_SUITE_P(Grid, LayoutByPosition,
                         testing::Values(Placement{0, 800, {0, 0, 800, 195}, {900, 50, 2100, 950}},
                                         Placement{1, 800, {2200, 0, 800, 195}, {0, 50, 2100, 950}},
                                         Placement{2, 800, {0, 0, 800, 195}, {0, 245, 3000, -2}},
                                         Placement{3, 800, {0, 705, 800, 195}, {0, 0, 3000, -1}}));

TEST_F(Layout, WithoutBorderTheCaptionHasNoMargin) {
  t.surface().resize(3000, 1000);
  k->put_BorderStyle(0);
  k->put_EditorWidth(800);
  k->put_EditorPosition(3);
  EXPECT_EQ(placeOf(t.editBox()), (Rect{0, 805, 800, 195}));
  k->put_EditorPosition(0);
  recompose();
  EXPECT_EQ(placeOf(t.captionBox()), (Rect{900, 0, 2100, 1000}));
}

TEST_F(Layout, UnknownPositionPutsTheEditBoxTopLeftAndLeavesTheCaption) {
  t.surface().resize(3000, 1000);
  k->put_EditorWidth(800);
  k->put_EditorPosition(1);
  recompose();
  const Rect captionBefore = placeOf(t.captionBox());
  const std::int32_t movesBefore = t.captionBox().moveCount();

  k->put_EditorPosition(4);
  EXPECT_EQ(placeOf(t.editBox()), (Rect{0, 0, 800, 195}));
  t.debug.lines.clear();
  std::string description = "Other";
  k->put_SetUserDescription(description);
  EXPECT_EQ(placeOf(t.captionBox()), captionBefore);
  EXPECT_EQ(t.captionBox().moveCount(), movesBefore);
  // The new text is shown all the same.
  EXPECT_NE(t.caption().get_TextRTF().find("Other"), std::string::npos);
  EXPECT_EQ(traceMessages(t.debug.lines, "ResizeRTF"),
            (std::vector<std::string>{"unknown editor position"}));
}

class LayoutTraced : public Layout {
 protected:
  LayoutTraced() : Layout("2") {}
};

TEST_F(LayoutTraced, NegativeCaptionWidthIsTracedThenClamped) {
  t.surface().resize(3000, 1000);
  k->put_EditorPosition(1);
  k->put_EditorWidth(3000);
  EXPECT_EQ(placeOf(t.editBox()).left, 0.0f);
  t.debug.lines.clear();
  recompose();
  EXPECT_EQ(placeOf(t.captionBox()), (Rect{0, 50, 0, 950}));
  EXPECT_EQ(placeOf(t.caption()), (Rect{0, 0, 0, 950}));
  const std::string text = t.caption().get_Text();
  EXPECT_EQ(traceMessages(t.debug.lines, "ResizeRTF"),
            (std::vector<std::string>{"Kadrelle.caption='" + text +
                                      "', capHeight=950, capWidth=-100, capTop=50, capLeft=0, "
                                      "contentHeight=195"}));
}

TEST_F(LayoutTraced, GeometryLineUsesSinglePrecisionText) {
  t.surface().resize(3000, 1000);
  k->put_EditorWidth(800.25f);
  t.debug.lines.clear();
  recompose();
  EXPECT_EQ(traceMessages(t.debug.lines, "ResizeRTF"),
            (std::vector<std::string>{"Kadrelle.caption='" + t.caption().get_Text() +
                                      "', capHeight=950, capWidth=2099.75, capTop=50, "
                                      "capLeft=900.25, contentHeight=195"}));
}

TEST_F(Layout, CaptionPositionAlignsTheTextAndNotifies) {
  t.container.changed.clear();
  k->put_CaptionPosition(Centered);
  EXPECT_EQ(k->get_CaptionPosition(), Centered);
  EXPECT_NE(t.caption().get_TextRTF().find("\\i0\\qc\\b"), std::string::npos);
  EXPECT_EQ(t.container.changed, std::vector<std::string>{"CaptionPosition"});

  t.container.changed.clear();
  k->put_SetCaptionPosition(AlignedRight);
  EXPECT_EQ(k->get_CaptionPosition(), AlignedRight);
  EXPECT_NE(t.caption().get_TextRTF().find("\\i0\\qr\\b"), std::string::npos);
  EXPECT_TRUE(t.container.changed.empty());

  k->put_SetCaptionPosition(static_cast<CaptionPositions>(9));
  EXPECT_EQ(k->get_CaptionPosition(), 9);
  EXPECT_NE(t.caption().get_TextRTF().find("\\i0\\b"), std::string::npos);
}

TEST_F(Layout, EditorPositionIsStoredUncheckedAndNotified) {
  k->put_EditorWidth(800);
  t.container.changed.clear();
  k->put_EditorPosition(-3);
  EXPECT_EQ(k->get_EditorPosition(), -3);
  EXPECT_EQ(t.container.changed, std::vector<std::string>{"EditorPosition"});
  EXPECT_EQ(placeOf(t.editBox()).left, 0.0f);
  EXPECT_EQ(placeOf(t.editBox()).top, 0.0f);
}

}  // namespace
}  // namespace kadrelle
