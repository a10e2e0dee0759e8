#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "kadrelle_test/KadrelleTestAccess.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using test::CallLog;
using test::TestSite;

using Names = std::vector<std::string>;

class Composition : public test::ControlTest {
 protected:
  Composition() {
    k.put_EditorWidth(800);
    t.container.changed.clear();
  }
  void bind() {
    value->appView->description = "Speed Limit";
    value->appView->units = "RPM";
    k.putref_ValueObjRef(value);
    t.container.changed.clear();
  }
  std::string captionText() { return KadrelleTestAccess(k).captionText(); }
  std::string unitsText() { return KadrelleTestAccess(k).unitsText(); }
  void setDescription(std::string d) { k.put_UserDescription(d); }
  void setUnit(std::string u) { k.put_UserUnit(u); }
};

// Unbound, the caption shows the parameter's description without its "@*@" markers.
TEST_F(Composition, MarkerIsRemovedFromTheParameterDescriptionAndNothingElseChanges) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Speed @*@Limit", "Speed Limit"},
      {"@*@Axis@*@ speed @*@", "Axis speed "},
      {"  padded  ", "  padded  "},
      {"@@*@*@", "@*@"},
      {"@*", "@*"},
      {"@*@@*@", ""},
      {"a @ * @ b", "a @ * @ b"}};
  for (const auto& [description, shown] : cases) {
    t.values.parameters[77] = {"P77", description};
    k.put_Parameter(77);
    setDescription("");
    EXPECT_EQ(captionText(), shown) << description;
  }
  EXPECT_EQ(unitsText(), "");
  EXPECT_NE(t.caption().get_TextRTF().find("\\fs16 a @ * @ b\\par}"), std::string::npos)
      << t.caption().get_TextRTF();
}

// The markers stay in the user's and the view's descriptions; only the view's is trimmed.
TEST_F(Composition, MarkerStaysInUserAndViewDescriptionsOnlyTheViewsIsTrimmed) {
  setDescription("  Gain @*@ A ");
  EXPECT_EQ(captionText(), "  Gain @*@ A ");
  setDescription("");
  value->appView->description = "  Axis @*@ speed ";
  k.putref_ValueObjRef(value);
  EXPECT_EQ(captionText(), "Axis @*@ speed");
}

TEST_F(Composition, OverridesReplaceAndClearingBringsBackTheView) {
  bind();
  EXPECT_EQ(captionText(), "Speed Limit");
  EXPECT_EQ(unitsText(), "(RPM)");

  setDescription("Top speed");
  setUnit("rev / (min)");
  EXPECT_EQ(captionText(), "Top speed");
  EXPECT_EQ(unitsText(), "(rev / (min))");

  setDescription("");
  EXPECT_EQ(captionText(), "Speed Limit");
  EXPECT_EQ(unitsText(), "(rev / (min))");
  setUnit("");
  EXPECT_EQ(unitsText(), "(RPM)");
  // An empty view unit gives no parentheses and no units in the document; blanks are a unit.
  value->appView->units = "";
  setDescription("Ratio");
  EXPECT_EQ(unitsText(), "");
  EXPECT_NE(t.caption().get_TextRTF().find("\\fs16 Ratio\\par}"), std::string::npos);
  value->appView->units = " ";
  setDescription("");
  EXPECT_EQ(unitsText(), "( )");
  EXPECT_EQ(t.container.changed, (Names{"UserDescription", "UserUnit", "UserDescription",
                                        "UserUnit", "UserDescription", "UserDescription"}));
}

// The Set forms change the caption without notifying; while loading, values are stored and the
// caption waits for the refresh.
TEST_F(Composition, SetFormsDoNotNotifyAndWhileLoadingTheCaptionWaits) {
  std::string description = "Quiet", unit = "mm";
  k.put_SetUserDescription(description);
  k.put_SetUserUnit(unit);
  EXPECT_EQ(captionText(), "Quiet");
  EXPECT_EQ(unitsText(), "(mm)");
  EXPECT_TRUE(t.container.changed.empty());

  const std::string rtf = t.caption().get_TextRTF();
  KadrelleTestAccess(k).setLoading(true);
  setDescription("During");
  unit = "u";
  k.put_SetUserUnit(unit);
  EXPECT_EQ(k.get_UserDescription(), "During");
  EXPECT_EQ(k.get_UserUnit(), "u");
  EXPECT_EQ(t.caption().get_TextRTF(), rtf);
  EXPECT_EQ(captionText(), "Quiet");
  EXPECT_EQ(t.container.changed, Names{"UserDescription"});
  KadrelleTestAccess(k).setLoading(false);
  KadrelleTestAccess(k).updateFromState();
  EXPECT_EQ(captionText(), "During");
  EXPECT_EQ(unitsText(), "(u)");
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

  // Changes made through the returned object show at the next composition.
  k.get_CaptionFont()->put_Size(Currency::fromDouble(10));
  setDescription("again");
  EXPECT_NE(t.caption().get_TextRTF().find("\\fs20 again"), std::string::npos);
}

// A refresh that leaves the caption's inputs as they were gives the caption box the document it
// shows: the box keeps it and its layout, and the caption reads and measures the same. Each input
// changed alone still shows at the next refresh.
TEST_F(Composition, SameCaptionAgainKeepsTheDocumentAndAnyChangedInputShows) {
  bind();
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
      {"units scale", [&] { KadrelleTestAccess(k).setUnitsFontScale(50); }},
      {"editor position", [&] { k.put_EditorPosition(kEditorTop); }},
      {"caption position", [&] { KadrelleTestAccess(k).setCaptionPosition(Centered); }},
  };
  for (const auto& [name, change] : inputs) {
    const std::string before = rich.get_TextRTF();
    change();
    k.Refresh();
    EXPECT_NE(rich.get_TextRTF(), before) << name;
  }
}

TEST_F(Composition, EmptyCaptionFontEmptiesTheCaption) {
  setDescription("Shown");
  k.putref_CaptionFont(nullptr);
  EXPECT_EQ(k.get_CaptionFont(), nullptr);
  EXPECT_EQ(t.caption().get_TextRTF(), "");
  EXPECT_EQ(t.caption().get_Text(), "");
  EXPECT_EQ(KadrelleTestAccess(k).captionRTF(), "");
}

}  // namespace
}  // namespace kadrelle
