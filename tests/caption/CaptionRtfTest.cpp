// The caption document, built straight from its inputs.
#include <gtest/gtest.h>

#include <string>

#include "caption/CaptionRtf.h"
#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

struct Doc {
  const char *description, *units;
  double points;
  std::int32_t scale, editorPosition, captionPosition;
  const char* body;  // between "\pard\slmult1\i0" and "\par}"
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
                    Doc{"Speed Limit", "(RPM)", 8.25, 80, 1, 0,
                        "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Doc{"Speed Limit", "(RPM)", 8.25, 80, 3, 0,
                        "\\ql\\b0\\fs16 Speed Limit\\par\\slmult1\\b0\\fs13 (RPM)"},
                    Doc{"Speed Limit", "(RPM)", 8.25, 80, 4, 0,
                        "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Doc{"Speed Limit", "(RPM)", 8.25, 80, 7, 0,
                        "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
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

// The document kept between builds follows each input, back to what it was built from before.
TEST(CaptionDocumentKept, IsRebuiltForEveryChangedInput) {
  FontRef f = makeFont("Arial", 8.25);
  CaptionDocument kept;
  for (CaptionInputs in : {CaptionInputs{"A", "U", f.get()}, CaptionInputs{"", "U", f.get()},
                           CaptionInputs{"", "", f.get()}, CaptionInputs{"A", "U", f.get()}}) {
    std::string fresh;
    captionRtf(in, fresh);
    EXPECT_EQ(kept.build(in), fresh) << in.description << "/" << in.units;
  }
}

TEST(CaptionDocumentLimits, NoFontIsEmptyAndSizesBeyondSixteenBitsOverflow) {
  std::string out = "stale";
  captionRtf({"S", "U", nullptr}, out);
  EXPECT_EQ(out, "");
  for (std::int32_t scale : {200000, -200000, 198593}) {
    EXPECT_EQ(test::errorNumber([&] {
                build({"S", "U", 8.25, scale, 0, 0, ""});
              }),
              Error::kOverflow)
        << scale;
  }
  EXPECT_EQ(test::errorNumber([&] { build({"S", "", 20000, 100, 0, 0, ""}); }), Error::kOverflow);
}

TEST(CaptionDocumentTrace, TracesTheDocumentThenDoneAndNothingWithoutAFont) {
  test::TestSite t;
  t.settings.setDebug("16");
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();
  t.debug.lines.clear();
  std::string description = "Speed Limit";
  k.put_UserDescription(description);
  const auto doc = t.caption().get_TextRTF();
  EXPECT_EQ(test::traceMessages(t.debug.lines, "MakeCaptionRTF"),
            (std::vector<std::string>{doc, "done"}));
  EXPECT_TRUE(test::contains(
      t.debug.lines, "Kadrelle.MakeCaptionRTF [Kadrelle1] done, param=, caption=Speed Limit\r\n"));
}

}  // namespace
}  // namespace kadrelle
