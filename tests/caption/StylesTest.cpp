#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "kadrelle_test/KadrelleTestAccess.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using test::errorNumber;
using test::TestSite;

using Names = std::vector<std::string>;

class Styles : public test::ControlTest {
 protected:
  Styles() : ControlTest("4") {
    k.put_EditorWidth(800);
    std::string description = "Speed", unit = "RPM";
    k.put_SetUserDescription(description);
    k.put_SetUserUnit(unit);
    t.container.changed.clear();
    t.debug.lines.clear();
  }
  std::string rtf() { return t.caption().get_TextRTF(); }
};

struct Preset {
  PresetStyle style;
  bool captionBold;
  std::int32_t scale;
  const char* captionPiece;
};

class PresetStyles : public Styles, public testing::WithParamInterface<Preset> {};

TEST_P(PresetStyles, CopiesTheEditBoxFontAndSetsBoldSizeAndScale) {
  const Preset& p = GetParam();
  FontRef font = makeFont("Tahoma", 10);
  k.putref_Font(font);
  font->put_Bold(kTrue);
  FontRef box = t.editBox().font;
  box->put_Name("Verdana");
  box->put_Charset(2);
  box->put_Size(Currency::fromDouble(14));
  box->put_Strikethrough(kTrue);
  box->put_Underline(kTrue);
  box->put_Italic(kTrue);
  FontRef caption = k.get_CaptionFont();
  t.container.changed.clear();

  k.put_PresetStyle(p.style);

  // The caption font, changed in place, is the edit box's own font (left as it is) in 8.25
  // points, bold or not; the control's font is no longer bold.
  StdFont expected = *box;
  expected.put_Bold(Boolean(p.captionBold));
  expected.put_Size(Currency::fromScaled(82500));
  EXPECT_EQ(k.get_CaptionFont(), caption);
  EXPECT_EQ(*caption, expected);
  EXPECT_EQ(box->get_Size(), Currency::fromDouble(14));
  EXPECT_EQ(font->get_Bold(), kFalse);
  EXPECT_EQ(k.get_UnitsFontScale(), p.scale);
  EXPECT_EQ(t.container.changed, (Names{"Font", "CaptionFont", "PresetStyle"}));
  EXPECT_NE(rtf().find(p.captionPiece), std::string::npos) << rtf();
}

INSTANTIATE_TEST_SUITE_P(
    Both, PresetStyles,
    testing::Values(Preset{ClassicStyle, false, 100, "\\b0\\fs16 Speed\\slmult1\\b0\\fs16  (RPM)"},
                    Preset{CorvoStyle, true, 80, "\\b1\\fs16 Speed\\slmult1\\b0\\fs13  (RPM)"}));

TEST_F(Styles, SharedFontEndsNotBold) {
  FontRef shared = makeFont();
  k.putref_Font(shared);
  k.putref_CaptionFont(shared);
  k.put_PresetStyle(CorvoStyle);
  EXPECT_EQ(shared->get_Bold(), kFalse);
  EXPECT_NE(rtf().find("\\b0\\fs16 Speed"), std::string::npos) << rtf();
}

TEST_F(Styles, CustomChangesNoFontButRefreshes) {
  k.put_PresetStyle(CorvoStyle);
  const StdFont caption = *k.get_CaptionFont();
  const StdFont font = *k.get_Font();
  t.container.changed.clear();
  t.log.clear();
  k.put_PresetStyle(CustomStyle);
  EXPECT_EQ(*k.get_CaptionFont(), caption);
  EXPECT_EQ(*k.get_Font(), font);
  EXPECT_EQ(k.get_UnitsFontScale(), 80);
  EXPECT_EQ(t.container.changed, Names{"PresetStyle"});
  EXPECT_FALSE(t.log.empty());  // the refresh rewrote the edit box
}

TEST_F(Styles, SetPresetStyleOutOfRangeOrWhileLoadingOnlyStores) {
  const StdFont caption = *k.get_CaptionFont();
  const std::string before = rtf();
  k.put_SetPresetStyle(static_cast<PresetStyle>(7));
  EXPECT_EQ(k.get_PresetStyle(), 7);
  KadrelleTestAccess(k).setLoading(true);
  k.put_SetPresetStyle(CorvoStyle);
  EXPECT_EQ(k.get_PresetStyle(), CorvoStyle);
  EXPECT_EQ(*k.get_CaptionFont(), caption);
  EXPECT_EQ(k.get_UnitsFontScale(), 100);
  EXPECT_EQ(rtf(), before);
  EXPECT_TRUE(t.container.changed.empty());
}

TEST_F(Styles, PresetWithoutCaptionFontFailsAfterStoring) {
  KadrelleTestAccess(k).setCaptionFont(nullptr);
  EXPECT_EQ(errorNumber([&] { k.put_SetPresetStyle(CorvoStyle); }), Error::kObjectNotSet);
  EXPECT_EQ(k.get_PresetStyle(), CorvoStyle);
  EXPECT_EQ(k.get_UnitsFontScale(), 100);
}

TEST_F(Styles, UnitsFontScaleRebuildsTheCaptionAndMakesTheStyleCustomUnlessItOverflows) {
  k.put_PresetStyle(CorvoStyle);
  t.container.changed.clear();
  EXPECT_EQ(errorNumber([&] { k.put_UnitsFontScale(1000000); }), Error::kOverflow);
  EXPECT_EQ(k.get_UnitsFontScale(), 1000000);
  EXPECT_EQ(k.get_PresetStyle(), CorvoStyle);
  EXPECT_TRUE(t.container.changed.empty());
  k.put_UnitsFontScale(120);
  EXPECT_EQ(k.get_PresetStyle(), CustomStyle);
  EXPECT_NE(rtf().find("\\slmult1\\b0\\fs20  (RPM)"), std::string::npos) << rtf();
  EXPECT_EQ(t.container.changed, Names{"PresetStyle"});
}

TEST_F(Styles, BackColorPaintsCaptionAndSurfaceAndTracesHex) {
  k.put_BackColor(255);
  EXPECT_EQ(t.caption().get_BackColor(), 255u);
  EXPECT_EQ(t.surface().get_BackColor(), 255u);
  ASSERT_FALSE(t.debug.lines.empty());
  EXPECT_EQ(t.debug.lines.front(),
            "Kadrelle.SetBackColor [Kadrelle1] color=0xFF, param=, caption=Speed\r\n");
  EXPECT_EQ(t.container.changed, Names{"BackColor"});
}

TEST_F(Styles, TransparentBackKeepsTheCaptionInTheSurfaceColour) {
  k.put_BackColor(0x00336699);
  t.surface().put_BackColor(0x00102030);
  t.container.changed.clear();
  const int refreshes = t.caption().refreshCount();
  k.put_TransparentBack(kTrue);
  EXPECT_EQ(k.get_TransparentBack(), kTrue);
  EXPECT_EQ(t.surface().get_BackStyle(), 0);
  EXPECT_EQ(t.caption().get_BackColor(), 0x00102030u);
  EXPECT_EQ(t.caption().refreshCount(), refreshes + 1);
  EXPECT_EQ(t.container.changed, Names{"TransparentBack"});
  k.put_TransparentBack(kFalse);
  EXPECT_EQ(t.surface().get_BackStyle(), 1);
  t.surface().put_BackStyle(2);
  EXPECT_EQ(k.get_TransparentBack(), kFalse);
}

TEST_F(Styles, FontSetCopiesAttributesIntoTheEditBoxOwnFont) {
  FontRef box = t.editBox().font;
  FontRef f = makeFont("Courier New", 11.25);
  f->put_Charset(238);
  f->put_Italic(kTrue);
  f->put_Strikethrough(kTrue);
  f->put_Underline(kTrue);
  f->put_Weight(900);  // bold, and heavier than bold alone gives
  k.putref_Font(f);
  EXPECT_EQ(k.get_Font(), f);
  EXPECT_EQ(t.editBox().font, box);
  EXPECT_EQ(*box, *f);
  EXPECT_EQ(box->get_Weight(), 900);
  EXPECT_EQ(t.container.changed, Names{"Font"});

  // Later changes to f show through the getter only.
  f->put_Name("Times New Roman");
  EXPECT_EQ(k.get_Font()->get_Name(), "Times New Roman");
  EXPECT_EQ(box->get_Name(), "Courier New");
}

TEST_F(Styles, EmptyFontIsStoredBeforeTheCopyFails) {
  EXPECT_THROW(k.putref_Font(nullptr), Error);
  EXPECT_EQ(k.get_Font(), nullptr);
  EXPECT_TRUE(t.container.changed.empty());
}

}  // namespace
}  // namespace kadrelle
