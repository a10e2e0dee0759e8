// What the caption box shows of the documents the control builds.
#include <gtest/gtest.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"

namespace kadrelle {
namespace {

struct ReadBack {
  const char* description;
  const char* unit;
  std::int32_t editorPosition;
  const char* shown;
};

class CaptionReadBack : public test::ControlTest, public testing::WithParamInterface<ReadBack> {};

TEST_P(CaptionReadBack, ShowsTheComposedText) {
  k.put_EditorPosition(GetParam().editorPosition);
  std::string unit = GetParam().unit;
  k.put_UserUnit(unit);
  std::string description = GetParam().description;
  k.put_UserDescription(description);
  EXPECT_EQ(t.caption().get_Text(), GetParam().shown);
  // The measuring label takes one line per line of the caption.
  const float lines = std::string(GetParam().shown).find("\r\n") == std::string::npos ? 1 : 2;
  EXPECT_EQ(t.label().get_Height(), lines * 195);
}

INSTANTIATE_TEST_SUITE_P(Documents, CaptionReadBack,
                         testing::Values(ReadBack{"Speed Limit", "RPM", 0, "Speed Limit (RPM)"},
                                         ReadBack{"Speed Limit", "RPM", 2, "Speed Limit\r\n(RPM)"},
                                         ReadBack{"Speed Limit", "", 0, "Speed Limit"},
                                         ReadBack{"", "RPM", 0, " (RPM)"},
                                         // Descriptions are markup, and "&&" is one "&".
                                         ReadBack{"Torque && {Force}", "\\'b0C", 0,
                                                  "Torque & Force (\xC2\xB0"
                                                  "C)"}));

}  // namespace
}  // namespace kadrelle
