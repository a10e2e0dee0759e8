// The caption: its document built straight from its inputs, the texts it is composed of, and the
// fonts, colours and preset styles.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "caption/CaptionRtf.h"
#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using test::errorNumber;
using Names = std::vector<std::string>;
using namespace std::string_literals;

struct Doc {
  const char *description, *units;
  double points;
  std::int32_t scale, editorPosition = 0, captionPosition = 0;
  const char* body = "";  // between "\pard\slmult1\i0" and "\par}"
  const char* font = "Arial";
  bool bold = false;
};

std::string build(const Doc& d) {
  FontRef f = makeFont(d.font, d.points);
  f->put_Bold(d.bold ? kTrue : kFalse);
  f->put_Italic(kTrue);  // only name, bold and size count
  f->put_Underline(kTrue);
  f->put_Charset(2);
  std::string out = "stale";
  captionRtf({d.description, d.units, f.get(), d.scale, d.editorPosition,
              static_cast<CaptionPositions>(d.captionPosition)},
             out);
  return out;
}

class CaptionTemplate : public testing::TestWithParam<Doc> {};

TEST_P(CaptionTemplate, IsTheTemplateAroundTheTexts) {
  const Doc& d = GetParam();
  EXPECT_EQ(build(d), std::string("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0"
                                  "\\fnil\\fcharset0 ") +
                          d.font + ";}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n\\viewkind4\\pard" +
                          "\\slmult1\\i0" + d.body + "\\par}");
}

// Alignment, the units' line, bold, sizes in half points (halves to even), "&&" reduction, texts
// going in unescaped.
INSTANTIATE_TEST_SUITE_P(
    Grid, CaptionTemplate,
    testing::Values(Doc{"Speed Limit", "(RPM)", 8.25, 80, 0, 0,
                        "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Doc{"Speed Limit", "(RPM)", 8.25, 100, 2, 2,
                        "\\qc\\b1\\fs16 Speed Limit\\par\\slmult1\\b0\\fs16 (RPM)", "Arial", true},
                    Doc{"Speed Limit", "(RPM)", 8.25, 80, 0, 1,
                        "\\qr\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)", "Courier New"},
                    Doc{"Speed Limit", "(RPM)", 8.25, 80, 0, 5,
                        "\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Doc{"Speed Limit", "(RPM)", 8.25, 80, 3, 0,
                        "\\ql\\b0\\fs16 Speed Limit\\par\\slmult1\\b0\\fs13 (RPM)"},
                    Doc{"Speed Limit", "", 8.25, 1000000, 2, 0, "\\ql\\b0\\fs16 Speed Limit"},
                    Doc{"", "(RPM)", 8.25, 100, 0, 0, "\\ql\\b0\\fs16 \\slmult1\\b0\\fs16  (RPM)"},
                    Doc{"Gain && Offset", "", 8.25, 100, 0, 0, "\\ql\\b0\\fs16 Gain & Offset"},
                    Doc{"&&&&", "", 8.25, 100, 0, 0, "\\ql\\b0\\fs16 &&"},
                    Doc{"&&&", "", 8.25, 100, 0, 0, "\\ql\\b0\\fs16 &&"},
                    Doc{"a & b", "(m&&s)", 8.25, 100, 0, 0,
                        "\\ql\\b0\\fs16 a & b\\slmult1\\b0\\fs16  (m&s)"},
                    Doc{"{\\b S} C:\\d", "({\\i r}\\)", 8.25, 100, 0, 0,
                        "\\ql\\b0\\fs16 {\\b S} C:\\d\\slmult1\\b0\\fs16  ({\\i r}\\)"},
                    Doc{"S", "U", 9.75, 100, 0, 0, "\\ql\\b0\\fs20 S\\slmult1\\b0\\fs20  U"},
                    Doc{"S", "U", 11.25, 120, 0, 0, "\\ql\\b0\\fs22 S\\slmult1\\b0\\fs27  U"},
                    Doc{"S", "U", 12, 120, 0, 0, "\\ql\\b0\\fs24 S\\slmult1\\b0\\fs29  U"},
                    Doc{"S", "U", 8.25, 120, 0, 0, "\\ql\\b0\\fs16 S\\slmult1\\b0\\fs20  U"},
                    Doc{"S", "U", 8.25, 0, 0, 0, "\\ql\\b0\\fs16 S\\slmult1\\b0\\fs0  U"},
                    Doc{"S", "U", 2.28, 625, 0, 0, "\\ql\\b0\\fs5 S\\slmult1\\b0\\fs28  U"},
                    Doc{"S", "U", 3.72, 625, 0, 0, "\\ql\\b0\\fs7 S\\slmult1\\b0\\fs47  U"},
                    Doc{"S", "U", 8.25, -50, 0, 0, "\\ql\\b0\\fs16 S\\slmult1\\b0\\fs-8  U"},
                    Doc{"S", "U", 9.75, -100, 0, 0, "\\ql\\b0\\fs20 S\\slmult1\\b0\\fs-20  U"},
                    Doc{"S", "U", 8.25, 198590, 0, 0, "\\ql\\b0\\fs16 S\\slmult1\\b0\\fs32767  U"},
                    Doc{"S", "", 16383.5, 100, 0, 0, "\\ql\\b0\\fs32767 S"}));

// Only the inputs are kept between builds: each changed input builds again (back to what it was
// built from before); the same inputs hand back the document shown, until it is forgotten.
TEST(CaptionDocumentKept, IsRebuiltForEveryChangedInputAndOtherwiseGivesTheShownOne) {
  FontRef f = makeFont("Arial", 8.25);
  CaptionDocument kept;
  std::string shown, fresh;
  for (CaptionInputs in : {CaptionInputs{"A", "U", f.get()}, CaptionInputs{"", "U", f.get()},
                           CaptionInputs{"", "", f.get()}, CaptionInputs{"A", "U", f.get()}}) {
    captionRtf(in, fresh);
    shown = kept.build(in, shown);
    EXPECT_EQ(shown, fresh) << in.description << "/" << in.units;
  }
  const CaptionInputs last{"A", "U", f.get()};
  EXPECT_EQ(&kept.build(last, shown), &shown);
  kept.forget();
  EXPECT_EQ(kept.build(last, std::string("refused")), fresh);
}

TEST(CaptionDocumentLimits, NoFontIsEmptyAndSizesBeyondSixteenBitsOverflow) {
  std::string out = "stale";
  captionRtf({"S", "U", nullptr}, out);
  EXPECT_EQ(out, "");
  for (const Doc& d : {Doc{"S", "U", 8.25, 200000}, Doc{"S", "U", 8.25, -200000},
                       Doc{"S", "U", 8.25, 198593}, Doc{"S", "", 20000, 100}})
    EXPECT_EQ(errorNumber([&] { build(d); }), Error::kOverflow) << d.scale;
}

TEST(CaptionDocumentTrace, TracesTheDocumentThenDoneAndNothingWithoutAFont) {
  test::TestSite t;
  t.settings.setDebug("16");
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();
  t.debug.lines.clear();
  k.put_UserDescription("Speed Limit");
  EXPECT_EQ(test::traceMessages(t.debug.lines, "MakeCaptionRTF"),
            (Names{t.caption().get_TextRTF(), "done"}));
  EXPECT_EQ(test::traceMessages(t.debug.lines, "ResizeRTF"), (Names{"start", "done"}));
}

class Composition : public test::ControlTest {
 protected:
  Composition() : ControlTest("4") {
    k.put_EditorWidth(800);
    t.container.changed.clear();
  }
  // The caption as shown: the description, then a space and the units when there are any.
  std::string captionShown() { return t.caption().get_Text(); }
};

TEST_F(Composition, MarkerIsRemovedFromTheParameterDescriptionAndNothingElseChanges) {
  using P = std::pair<const char*, const char*>;
  for (const auto& [description, shown] :
       {P{"Speed @*@Limit", "Speed Limit"}, P{"@*@Axis@*@ speed @*@", "Axis speed "},
        P{"  padded  ", "  padded  "}, P{"@@*@*@", "@*@"}, P{"@*", "@*"}, P{"@*@@*@", ""},
        P{"a @ * @ b", "a @ * @ b"}}) {
    t.values.parameters[77] = {"P77", description};
    k.put_Parameter(77);
    k.put_UserDescription("");
    EXPECT_EQ(captionShown(), shown) << description;  // and no units
  }
  EXPECT_NE(t.caption().get_TextRTF().find("\\fs16 a @ * @ b\\par}"), std::string::npos)
      << t.caption().get_TextRTF();
}

TEST_F(Composition, MarkerStaysInUserAndViewDescriptionsOnlyTheViewsIsTrimmed) {
  k.put_UserDescription("  Gain @*@ A ");
  const std::string user = captionShown();
  k.put_UserDescription("");
  value->appView->description = "  Axis @*@ speed ";
  k.putref_ValueObjRef(value);
  EXPECT_EQ(std::pair(user, captionShown()), std::pair("  Gain @*@ A "s, "Axis @*@ speed (RPM)"s));
}

TEST_F(Composition, OverridesReplaceAndClearingBringsBackTheView) {
  k.putref_ValueObjRef(value);
  t.container.changed.clear();
  EXPECT_EQ(captionShown(), "Speed Limit (RPM)");
  // Above or below the edit box the units take their own line, and the measuring label two.
  k.put_EditorPosition(kEditorTop);
  k.Refresh();
  EXPECT_EQ(std::pair(captionShown(), t.label().get_Height()),
            std::pair("Speed Limit\r\n(RPM)"s, 2 * 195.0f));
  k.put_UserDescription("Top speed");
  k.put_UserUnit("rev / (min)");
  EXPECT_EQ(captionShown(), "Top speed\r\n(rev / (min))");
  k.put_UserDescription("");
  EXPECT_EQ(captionShown(), "Speed Limit\r\n(rev / (min))");
  k.put_UserUnit("");
  EXPECT_EQ(captionShown(), "Speed Limit\r\n(RPM)");
  // An empty view unit gives no parentheses and no units in the document; blanks are a unit.
  value->appView->units = "";
  k.put_UserDescription("Ratio");
  EXPECT_EQ(captionShown(), "Ratio");
  EXPECT_NE(t.caption().get_TextRTF().find("\\fs16 Ratio\\par}"), std::string::npos);
  value->appView->units = " ";
  k.put_UserDescription("");
  EXPECT_EQ(captionShown(), "Speed Limit\r\n( )");
  EXPECT_EQ(t.container.changed,
            (Names{"EditorPosition", "UserDescription", "UserUnit", "UserDescription", "UserUnit",
                   "UserDescription", "UserDescription"}));
}

// The Set forms change the caption without notifying; while loading, values are stored and the
// caption waits for the refresh.
TEST_F(Composition, SetFormsDoNotNotifyAndWhileLoadingTheCaptionWaits) {
  k.put_SetUserDescription("Quiet");
  k.put_SetUserUnit("mm");
  EXPECT_EQ(captionShown(), "Quiet (mm)");
  EXPECT_TRUE(t.container.changed.empty());

  const std::string rtf = t.caption().get_TextRTF();
  whileLoading([&] {
    k.put_UserDescription("During");
    k.put_SetUserUnit("u");
    EXPECT_EQ(k.get_UserDescription(), "During");
    EXPECT_EQ(k.get_UserUnit(), "u");
    EXPECT_EQ(t.caption().get_TextRTF(), rtf);
    EXPECT_EQ(t.container.changed, Names{"UserDescription"});
  });
  EXPECT_EQ(captionShown(), "During (mm)");  // the bag's unit, read after
}

TEST_F(Composition, CaptionFontIsKeptByReferenceAndMakesTheStyleCustom) {
  k.put_PresetStyle(CorvoStyle);
  t.container.changed.clear();
  FontRef f = makeFont("Verdana", 12);
  k.putref_CaptionFont(f);
  EXPECT_EQ(k.get_CaptionFont(), f);
  EXPECT_EQ(k.get_PresetStyle(), CustomStyle);
  EXPECT_EQ(t.container.changed, (Names{"CaptionFont", "PresetStyle"}));
  EXPECT_NE(t.caption().get_TextRTF().find("\\fcharset0 Verdana;"), std::string::npos);
  EXPECT_NE(t.caption().get_TextRTF().find("\\fs24 "), std::string::npos);
  k.putref_CaptionFont(nullptr);
  EXPECT_EQ(t.caption().get_TextRTF(), "");
}

// A refresh that leaves the caption's inputs as they were gives the caption box the document it
// shows: the box keeps it and its layout, and the caption reads and measures the same. Each input
// changed alone still shows at the next refresh.
TEST_F(Composition, SameCaptionAgainKeepsTheDocumentAndAnyChangedInputShows) {
  k.putref_ValueObjRef(value);
  HeadlessRichTextBox& rich = t.caption();
  const auto* layout = rich.document().paragraphs.data();
  const std::string text = rich.get_Text();
  const float height = t.label().get_Height();
  k.Refresh();
  EXPECT_EQ(rich.document().paragraphs.data(), layout);  // a new reading would be stored anew
  EXPECT_EQ(rich.get_Text(), text);
  EXPECT_EQ(t.label().get_Height(), height);

  FontRef font = k.get_CaptionFont();
  const std::pair<const char*, std::function<void()>> inputs[] = {
      {"font size", [&] { font->put_Size(Currency::fromDouble(12)); }},
      {"bold", [&] { font->put_Bold(kTrue); }},
      {"font name", [&] { font->put_Name("Verdana"); }},
      {"description", [&] { k.put_SetUserDescription("Own"); }},
      {"units", [&] { k.put_SetUserUnit("Hz"); }},
      {"units scale", [&] { k.put_UnitsFontScale(50); }},
      {"editor position", [&] { k.put_EditorPosition(kEditorTop); }},
      {"caption position", [&] { k.put_SetCaptionPosition(Centered); }}};
  for (const auto& [name, change] : inputs) {
    const std::string before = rich.get_TextRTF();
    change();
    k.Refresh();
    EXPECT_NE(rich.get_TextRTF(), before) << name;
  }
}

class Styles : public Composition {
 protected:
  Styles() {
    k.put_SetUserDescription("Speed");
    k.put_SetUserUnit("RPM");
    t.clear();
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

TEST_F(Styles, SharedFontEndsNotBoldAndCustomChangesNoFontButRefreshes) {
  FontRef shared = makeFont();
  k.putref_Font(shared);
  k.putref_CaptionFont(shared);
  k.put_PresetStyle(CorvoStyle);
  EXPECT_EQ(shared->get_Bold(), kFalse);
  EXPECT_NE(rtf().find("\\b0\\fs16 Speed"), std::string::npos) << rtf();

  k.putref_CaptionFont(makeFont());
  k.put_PresetStyle(CorvoStyle);
  const StdFont caption = *k.get_CaptionFont(), font = *k.get_Font();
  t.clear();
  k.put_PresetStyle(CustomStyle);
  EXPECT_EQ(std::tuple(*k.get_CaptionFont(), *k.get_Font(), k.get_UnitsFontScale()),
            std::tuple(caption, font, 80));
  EXPECT_EQ(t.container.changed, Names{"PresetStyle"});
  EXPECT_FALSE(t.log.empty());  // the refresh rewrote the edit box
}

// Out of range or while loading the Set form only stores; without a caption font it stores, then
// fails.
TEST_F(Styles, SetPresetStyleOutOfRangeOrWhileLoadingOnlyStores) {
  const StdFont caption = *k.get_CaptionFont();
  const std::string before = rtf();
  k.put_SetPresetStyle(static_cast<PresetStyle>(7));
  EXPECT_EQ(k.get_PresetStyle(), 7);
  whileLoading([&] {
    k.put_SetPresetStyle(CorvoStyle);
    EXPECT_EQ(std::tuple(k.get_PresetStyle(), *k.get_CaptionFont(), k.get_UnitsFontScale(), rtf()),
              std::tuple(CorvoStyle, caption, 100, before));
  });
  EXPECT_TRUE(t.container.changed.empty());
  k.put_SetPresetStyle(CustomStyle);
  k.putref_CaptionFont(nullptr);
  EXPECT_EQ(errorNumber([&] { k.put_SetPresetStyle(CorvoStyle); }), Error::kObjectNotSet);
  EXPECT_EQ(std::pair(k.get_PresetStyle(), k.get_UnitsFontScale()), std::pair(CorvoStyle, 100));
}

TEST_F(Styles, UnitsFontScaleRebuildsTheCaptionAndMakesTheStyleCustomUnlessItOverflows) {
  k.put_PresetStyle(CorvoStyle);
  t.container.changed.clear();
  EXPECT_EQ(errorNumber([&] { k.put_UnitsFontScale(1000000); }), Error::kOverflow);
  EXPECT_EQ(std::pair(k.get_UnitsFontScale(), k.get_PresetStyle()), std::pair(1000000, CorvoStyle));
  EXPECT_TRUE(t.container.changed.empty());
  k.put_UnitsFontScale(120);
  EXPECT_EQ(k.get_PresetStyle(), CustomStyle);
  EXPECT_NE(rtf().find("\\slmult1\\b0\\fs20  (RPM)"), std::string::npos) << rtf();
  EXPECT_EQ(t.container.changed, Names{"PresetStyle"});
}

// BackColor paints caption and surface and traces in hex; TransparentBack keeps the caption in
// the surface colour.
TEST_F(Styles, BackColorAndTransparentBack) {
  k.put_BackColor(255);
  EXPECT_EQ(std::pair(t.caption().get_BackColor(), t.surface().get_BackColor()),
            std::pair(255u, 255u));
  ASSERT_FALSE(t.debug.lines.empty());
  EXPECT_EQ(t.debug.lines.front(),
            "Kadrelle.SetBackColor [Kadrelle1] color=0xFF, param=, caption=Speed\r\n");
  EXPECT_EQ(t.container.changed, Names{"BackColor"});
  k.put_BackColor(0x00336699);
  t.surface().put_BackColor(0x00102030);
  t.container.changed.clear();
  const int refreshes = t.caption().refreshes;
  k.put_TransparentBack(kTrue);
  EXPECT_EQ(std::tuple(k.get_TransparentBack(), t.surface().get_BackStyle(),
                       t.caption().get_BackColor(), t.caption().refreshes),
            std::tuple(kTrue, 0, 0x00102030u, refreshes + 1));
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
  EXPECT_EQ(std::tuple(k.get_Font(), t.editBox().font, *box, box->get_Weight()),
            std::tuple(f, box, *f, 900));
  EXPECT_EQ(t.container.changed, Names{"Font"});
  // Later changes to f show through the getter only.
  f->put_Name("Times New Roman");
  EXPECT_EQ(std::pair(k.get_Font()->get_Name(), box->get_Name()),
            std::pair("Times New Roman"s, "Courier New"s));
  // An empty font is stored before the copy fails.
  t.container.changed.clear();
  EXPECT_THROW(k.putref_Font(nullptr), Error);
  EXPECT_EQ(k.get_Font(), nullptr);
  EXPECT_TRUE(t.container.changed.empty());
}

}  // namespace
}  // namespace kadrelle
