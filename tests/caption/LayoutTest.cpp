#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "caption/Layout.h"
#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"

namespace kadrelle {

std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ")";
}

namespace {

using test::traceMessages;
using Lines = std::vector<std::string>;

template <class Child>
Rect placeOf(const Child& c) {
  return {c.get_Left(), c.get_Top(), c.get_Width(), c.get_Height()};
}

// The grid: surface 3000 x 1000, line 195, edit box 800 wide (its left and height as placed).
struct Grid {
  EditorPositions position;
  float editorWidth, margin;
  Point origin;
  std::optional<Rect> caption;  // for a content height of 195
};

class LayoutGrid : public testing::TestWithParam<Grid> {};

TEST_P(LayoutGrid, PlacesTheEditBoxAndTheCaption) {
  const Grid& g = GetParam();
  const Point o = editBoxOrigin(g.position, 3000, 1000, g.editorWidth, 195, g.margin);
  EXPECT_EQ(std::pair(o.left, o.top), std::pair(g.origin.left, g.origin.top));
  EXPECT_EQ(captionRect({g.position, 3000, 1000, g.editorWidth, o.left, 195, g.margin, 195}),
            g.caption);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, LayoutGrid,
    // The four positions at margin 50 are placed by the control below.
    testing::Values(Grid{3, 800, 0, {0, 805}, Rect{0, 0, 3000, 195}},
                    Grid{0, 800, 0, {0, 0}, Rect{900, 0, 2100, 1000}},
                    // Never a negative origin; sizes are cut to zero only when placed.
                    Grid{1, 3500, 50, {0, 0}, Rect{0, 50, -100, 950}},
                    Grid{3, 800, 500, {0, 0}, Rect{0, 0, 3000, 195}},
                    Grid{4, 800, 50, {0, 0}, std::nullopt},
                    Grid{-3, 800, 50, {0, 0}, std::nullopt}));

class Layout : public test::ControlTest {
 protected:
  Layout() : ControlTest("6") {}  // levels 2 and 4; level 1 is always written
  // Runs the caption's composition, and with it its layout.
  void recompose(std::string description = "Speed") { k.put_SetUserDescription(description); }
};

TEST_F(Layout, GrowsToOneLineAndTheNestedResizeOnlyTraces) {
  t.surface().resize(3000, 200);
  EXPECT_EQ(t.surface().get_Height(), 295.0f);
  EXPECT_EQ(placeOf(t.editBox()), (Rect{0, 0, 3000, 195}));
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"),
            (Lines{"start", "start", "recursing", "end"}));

  t.debug.lines.clear();
  t.surface().resize(3000, 300);
  EXPECT_EQ(t.surface().get_Height(), 300.0f);
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"), (Lines{"start", "end"}));
  k.put_BorderStyle(0);
  t.surface().resize(3000, 100);
  EXPECT_EQ(t.surface().get_Height(), 195.0f);
}

// The width is clamped to the surface and 0 becomes the full width; a negative one is stored
// and the move the edit box refuses is skipped.
TEST_F(Layout, EditorWidthIsClampedZeroIsTheFullWidthNegativeIsSkipped) {
  t.surface().resize(3000, 825);
  t.container.changed.clear();
  k.put_EditorWidth(5000);
  EXPECT_EQ(k.get_EditorWidth(), 3000.0f);
  EXPECT_EQ(t.editBox().get_Width(), 3000.0f);
  k.put_EditorWidth(800);
  k.put_EditorWidth(0);
  // The let notifies, and the resize it runs replaces 0 and notifies again.
  EXPECT_EQ(t.container.changed,
            (Lines{"EditorWidth", "EditorWidth", "EditorWidth", "EditorWidth"}));
  EXPECT_EQ(k.get_EditorWidth(), 3000.0f);
  EXPECT_EQ(t.editBox().get_Width(), 3000.0f);

  t.debug.lines.clear();
  EXPECT_NO_THROW(k.put_EditorWidth(-20));
  EXPECT_EQ(k.get_EditorWidth(), -20.0f);
  EXPECT_EQ(t.editBox().get_Width(), 3000.0f);
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"), (Lines{"start", "end"}));
  k.put_EditorWidth(700);  // the guard is down again: the next resize places the edit box
  EXPECT_EQ(t.editBox().get_Width(), 700.0f);
}

TEST_F(Layout, NothingHappensWhileLoadingAndAZeroSizeSurfaceOnlyTracesRecursing) {
  t.surface().resize(3000, 825);
  const Rect before = placeOf(t.editBox());
  whileLoading([&] {
    t.debug.lines.clear();
    t.surface().resize(3000, 100);
    EXPECT_EQ(t.surface().get_Height(), 100.0f);
    EXPECT_EQ(placeOf(t.editBox()), before);
    EXPECT_TRUE(t.debug.lines.empty());
  });

  t.surface().resize(3000, 825);
  const Rect placed = placeOf(t.editBox());
  t.debug.lines.clear();
  t.surface().resize(0, 825);
  EXPECT_EQ(placeOf(t.editBox()), placed);
  EXPECT_EQ(traceMessages(t.debug.lines, "UserControl_Resize"), (Lines{"start", "recursing"}));
}

TEST_F(Layout, PlacesTheEditBoxAtOnceAndTheCaptionAtTheNextComposition) {
  t.surface().resize(3000, 1000);
  k.put_EditorWidth(800);
  using Step = std::tuple<EditorPositions, Rect, Rect>;  // position, edit box, caption
  for (const auto& [position, editBox, caption] :
       {Step{1, {2200, 0, 800, 195}, {0, 50, 2100, 950}},
        Step{2, {0, 0, 800, 195}, {0, 245, 3000, 805}},
        Step{3, {0, 705, 800, 195}, {0, 0, 3000, 195}},
        Step{0, {0, 0, 800, 195}, {900, 50, 2100, 950}}}) {
    const Rect captionBefore = placeOf(t.captionBox());
    k.put_EditorPosition(position);
    EXPECT_EQ(placeOf(t.editBox()), editBox) << position;
    EXPECT_EQ(placeOf(t.captionBox()), captionBefore) << position;
    recompose();
    EXPECT_EQ(placeOf(t.captionBox()), caption) << position;
    EXPECT_EQ(placeOf(t.caption()), (Rect{0, 0, caption.width, caption.height}));
  }
  EXPECT_EQ(t.container.changed, (Lines{"EditorWidth", "EditorWidth", "EditorPosition",
                                        "EditorPosition", "EditorPosition", "EditorPosition"}));
}

TEST_F(Layout, UnknownPositionPutsTheEditBoxTopLeftAndLeavesTheCaption) {
  t.surface().resize(3000, 1000);
  k.put_EditorWidth(800);
  k.put_EditorPosition(1);
  recompose();
  const Rect captionBefore = placeOf(t.captionBox());
  const int movesBefore = t.captionBox().moves;
  k.put_EditorPosition(4);
  EXPECT_EQ(placeOf(t.editBox()), (Rect{0, 0, 800, 195}));
  t.debug.lines.clear();
  recompose("Other");
  EXPECT_EQ(placeOf(t.captionBox()), captionBefore);
  EXPECT_EQ(t.captionBox().moves, movesBefore);
  EXPECT_EQ(t.caption().get_Text(), "Other");  // shown all the same
  EXPECT_EQ(traceMessages(t.debug.lines, "ResizeRTF"), (Lines{"unknown editor position"}));
}

TEST_F(Layout, GeometryIsTracedInSinglePrecisionThenCutToZero) {
  t.surface().resize(3000, 1000);
  k.put_EditorWidth(800.25f);
  t.debug.lines.clear();
  recompose();
  EXPECT_EQ(traceMessages(t.debug.lines, "ResizeRTF"),
            (Lines{"Kadrelle.caption='Speed', capHeight=950, capWidth=2099.75, capTop=50, "
                   "capLeft=900.25, contentHeight=195"}));
  k.put_EditorPosition(1);
  k.put_EditorWidth(3000);
  t.debug.lines.clear();
  recompose();
  EXPECT_EQ(placeOf(t.captionBox()), (Rect{0, 50, 0, 950}));
  EXPECT_EQ(placeOf(t.caption()), (Rect{0, 0, 0, 950}));
  EXPECT_EQ(traceMessages(t.debug.lines, "ResizeRTF"),
            (Lines{"Kadrelle.caption='Speed', capHeight=950, capWidth=-100, capTop=50, "
                   "capLeft=0, contentHeight=195"}));
}

TEST_F(Layout, PositionsAreStoredUncheckedAndNotifiedCaptionPositionAligns) {
  k.put_EditorPosition(-3);
  EXPECT_EQ(k.get_EditorPosition(), -3);
  k.put_CaptionPosition(Centered);
  EXPECT_EQ(k.get_CaptionPosition(), Centered);
  EXPECT_NE(t.caption().get_TextRTF().find("\\i0\\qc\\b"), std::string::npos);
  EXPECT_EQ(t.container.changed, (Lines{"EditorPosition", "EditorWidth", "CaptionPosition"}));
  k.put_SetCaptionPosition(AlignedRight);
  EXPECT_EQ(k.get_CaptionPosition(), AlignedRight);
  EXPECT_NE(t.caption().get_TextRTF().find("\\i0\\qr\\b"), std::string::npos);
  EXPECT_EQ(t.container.changed.size(), 3u);
}

}  // namespace
}  // namespace kadrelle
