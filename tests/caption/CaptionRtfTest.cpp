#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "kadrelle_test/KadrelleTestAccess.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using test::errorNumber;
using test::TestSite;

// Everything before the first line break of every caption document, for a font named `name`.
std::string header(const std::string& name = "Arial") {
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 " + name +
         ";}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n";
}

class CaptionDocument : public testing::Test {
 protected:
  CaptionDocument() {
    t.settings.setDebug("16");
    k = &t.make();
    k->UserControl_InitProperties();
  }

  // Builds the document straight from the given inputs.
  std::string build(const std::string& description, const std::string& units, FontRef font,
                    std::int32_t captionPosition = 0, std::int32_t editorPosition = 0,
                    std::int32_t scale = 100) {
    KadrelleTestAccess a(*k);
    a.setCaptionFont(std::move(font));
    a.setCaptionText(description);
    a.setUnitsText(units);
    a.setCaptionPosition(captionPosition);
    a.setEditorPosition(editorPosition);
    a.setUnitsFontScale(scale);
    t.debug.lines.clear();
    return a.makeCaptionRTF();
  }

  TestSite t;
  Kadrelle* k = nullptr;
};

FontRef boldFont(double points = 8.25) {
  FontRef f = makeFont("Arial", points);
  f->put_Bold(kTrue);
  return f;
}

TEST_F(CaptionDocument, WorkedExampleBesideTheEditBox) {
  EXPECT_EQ(build("Speed Limit", "(RPM)", makeFont(), 0, 0, 80),
            header() +
                "\\viewkind4\\pard\\slmult1\\i0\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  "
                "(RPM)\\par}");
}

TEST_F(CaptionDocument, WorkedExampleBelowTheEditBoxCentredAndBold) {
  EXPECT_EQ(build("Speed Limit", "(RPM)", boldFont(), 2, 2, 100),
            header() +
                "\\viewkind4\\pard\\slmult1\\i0\\qc\\b1\\fs16 Speed Limit\\par\\slmult1\\b0\\fs16 "
                "(RPM)\\par}");
}

TEST_F(CaptionDocument, WithoutUnitsEndsAfterTheDescription) {
  EXPECT_EQ(build("Speed Limit", "", makeFont()),
            header() + "\\viewkind4\\pard\\slmult1\\i0\\ql\\b0\\fs16 Speed Limit\\par}");
  // No units size is computed, so even an absurd scale builds.
  EXPECT_EQ(build("Speed Limit", "", makeFont(), 0, 2, 1000000),
            header() + "\\viewkind4\\pard\\slmult1\\i0\\ql\\b0\\fs16 Speed Limit\\par}");
}

TEST_F(CaptionDocument, EmptyDescriptionShowsOnlyTheGapAndTheUnits) {
  EXPECT_EQ(
      build("", "(RPM)", makeFont()),
      header() + "\\viewkind4\\pard\\slmult1\\i0\\ql\\b0\\fs16 \\slmult1\\b0\\fs16  (RPM)\\par}");
}

TEST_F(CaptionDocument, UsesOnlyNameBoldAndSizeOfTheFont) {
  FontRef f = makeFont("Courier New", 8.25);
  f->put_Italic(kTrue);
  f->put_Underline(kTrue);
  f->put_Strikethrough(kTrue);
  f->put_Charset(2);
  EXPECT_EQ(build("Speed Limit", "(RPM)", f),
            header("Courier New") +
                "\\viewkind4\\pard\\slmult1\\i0\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs16  "
                "(RPM)\\par}");
}

TEST_F(CaptionDocument, TextsGoInUnescapedAfterTheAmpersandReduction) {
  struct Case {
    std::string description, units, body;
  };
  const std::vector<Case> cases = {
      {"Gain && Offset", "", "Gain & Offset"},
      {"&&&&", "", "&&"},
      {"&&&", "", "&&"},
      {"a & b", "", "a & b"},
      {"Speed", "(m&&s)", "Speed\\slmult1\\b0\\fs16  (m&s)"},
      {"{\\b Speed} C:\\drive", "", "{\\b Speed} C:\\drive"},
      {"Limit", "({\\i rpm}\\)", "Limit\\slmult1\\b0\\fs16  ({\\i rpm}\\)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(build(c.description, c.units, makeFont()),
              header() + "\\viewkind4\\pard\\slmult1\\i0\\ql\\b0\\fs16 " + c.body + "\\par}")
        << c.description << " / " << c.units;
  }
}

// Alignment and line separator.
struct Placement {
  std::int32_t captionPosition;
  std::int32_t editorPosition;
  std::string body;
};

class CaptionPlacement : public CaptionDocument, public testing::WithParamInterface<Placement> {};

TEST_P(CaptionPlacement, ChoosesAlignmentAndUnitsLine) {
  const Placement& p = GetParam();
  EXPECT_EQ(build("Speed Limit", "(RPM)", makeFont(), p.captionPosition, p.editorPosition, 80),
            header() + "\\viewkind4\\pard\\slmult1\\i0" + p.body + "\\par}");
}

INSTANTIATE_TEST_SUITE_P(
    Grid, CaptionPlacement,
    testing::Values(Placement{1, 0, "\\qr\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Placement{2, 0, "\\qc\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Placement{5, 0, "\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Placement{0, 1, "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Placement{0, 2, "\\ql\\b0\\fs16 Speed Limit\\par\\slmult1\\b0\\fs13 (RPM)"},
                    Placement{0, 3, "\\ql\\b0\\fs16 Speed Limit\\par\\slmult1\\b0\\fs13 (RPM)"},
                    Placement{0, 4, "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"},
                    Placement{0, 7, "\\ql\\b0\\fs16 Speed Limit\\slmult1\\b0\\fs13  (RPM)"}));

// Both sizes in half-points, nearest with ties to even.
struct Sizes {
  double points;
  std::int32_t scale;
  std::string description;  // the \fs word of the description
  std::string units;        // the \fs word of the units
};

class CaptionSizes : public CaptionDocument, public testing::WithParamInterface<Sizes> {};

TEST_P(CaptionSizes, RoundsBothSizesHalvesToEven) {
  const Sizes& s = GetParam();
  EXPECT_EQ(build("Speed Limit", "(RPM)", makeFont("Arial", s.points), 0, 0, s.scale),
            header() + "\\viewkind4\\pard\\slmult1\\i0\\ql\\b0" + s.description +
                " Speed Limit\\slmult1\\b0" + s.units + "  (RPM)\\par}");
}

INSTANTIATE_TEST_SUITE_P(
    Grid, CaptionSizes,
    testing::Values(Sizes{8.25, 100, "\\fs16", "\\fs16"}, Sizes{9.75, 100, "\\fs20", "\\fs20"},
                    Sizes{11.25, 100, "\\fs22", "\\fs22"}, Sizes{12, 100, "\\fs24", "\\fs24"},
                    Sizes{8.25, 0, "\\fs16", "\\fs0"}, Sizes{8.25, 80, "\\fs16", "\\fs13"},
                    Sizes{8.25, 120, "\\fs16", "\\fs20"}, Sizes{11.25, 120, "\\fs22", "\\fs27"},
                    Sizes{12, 120, "\\fs24", "\\fs29"}, Sizes{8.25, -50, "\\fs16", "\\fs-8"},
                    Sizes{8.25, -100, "\\fs16", "\\fs-16"},
                    Sizes{9.75, -100, "\\fs20", "\\fs-20"}));

TEST_F(CaptionDocument, TracesTheDocumentThenDone) {
  KadrelleTestAccess(*k).setCaptionText("Speed Limit");
  std::string doc = build("Speed Limit", "(RPM)", makeFont());
  ASSERT_EQ(t.debug.lines.size(), 2u);
  EXPECT_EQ(t.debug.lines[0],
            "Kadrelle.MakeCaptionRTF [Kadrelle1] " + doc + ", param=, caption=Speed Limit\r\n");
  EXPECT_EQ(t.debug.lines[1],
            "Kadrelle.MakeCaptionRTF [Kadrelle1] done, param=, caption=Speed Limit\r\n");
}

TEST_F(CaptionDocument, NoFontGivesNothingAndNoTrace) {
  EXPECT_EQ(build("Speed Limit", "(RPM)", nullptr), "");
  EXPECT_TRUE(t.debug.lines.empty());
}

TEST_F(CaptionDocument, UnitsSizeBeyondSixteenBitsIsOverflow) {
  for (std::int32_t scale : {200000, -200000}) {
    EXPECT_EQ(errorNumber([&] { build("Speed Limit", "(RPM)", makeFont(), 0, 0, scale); }),
              Error::kOverflow)
        << scale;
    EXPECT_TRUE(t.debug.lines.empty());
  }
  // 8.25 x 0.02 x 198593 = 32767.8 rounds past the top; 198590 (32767.35) still fits.
  EXPECT_NE(build("S", "(U)", makeFont(), 0, 0, 198590).find("\\fs32767 "), std::string::npos);
  EXPECT_THROW(build("S", "(U)", makeFont(), 0, 0, 198593), Error);
}

TEST_F(CaptionDocument, DescriptionSizeBeyondSixteenBitsIsOverflow) {
  EXPECT_EQ(errorNumber([&] { build("Speed Limit", "", makeFont("Arial", 20000)); }),
            Error::kOverflow);
  EXPECT_TRUE(t.debug.lines.empty());
  EXPECT_NE(build("S", "", makeFont("Arial", 16383.5)).find("\\fs32767 "), std::string::npos);
}

}  // namespace
}  // namespace kadrelle
