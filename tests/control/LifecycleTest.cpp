// A control's life: a new instance, its trace lines, and the properties it saves and reads back.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using test::errorNumber;
using test::RecordingBag;
using Lines = std::vector<std::string>;
using test::TestSite;

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
  // Tab order: edit box, measuring label, caption box, caption.
  const auto c = k.children();
  EXPECT_EQ((std::vector<int>{c.editBox.get_TabIndex(), c.measuringLabel.get_TabIndex(),
                              c.captionBox.get_TabIndex(), c.caption.get_TabIndex()}),
            (std::vector<int>{0, 1, 2, 3}));
  // A font each for the control and its caption; resizing asks for none.
  k.UserControl_InitProperties();
  k.children().surface.resize(4000, 400);
  EXPECT_EQ(t.container.ambientFontRequests, 2);
  ASSERT_NE(k.get_Font(), nullptr);
  EXPECT_NE(k.get_Font(), k.get_CaptionFont());
}

// The Debug setting is the trace mask, bit 0 always on: the levels it shows are those whose
// lines come (2 lifecycle, 4 binding, 16 the caption's document, 32 frequent events).
TEST(NewInstance, DebugSettingGivesTheTraceMask) {
  using P = std::pair<const char*, std::vector<std::string>>;
  const std::vector<std::string> all = {"InitProperties", "ValueObjRef(set)", "MakeCaptionRTF",
                                        "m_ValueObjRef_ContentChanged"};
  for (const auto& [setting, shown] :
       {P{"6", {all[0], all[1]}}, P{"abc", {}}, P{"-2", all}, P{"2.5", {all[0]}},
        P{"3.5", {all[1]}}, P{nullptr, {}}, P{"0", {}}, P{"99999999999", {}}, P{" 16 ", {all[2]}},
        P{"&H20", {all[3]}}, P{"1e400", {}}, P{"2147483647", all}, P{"-2147483648", {}}}) {
    TestSite t;
    if (setting) t.settings.setDebug(setting);
    Kadrelle& k = t.make();
    k.UserControl_InitProperties();
    auto value = t.makeValue();
    k.putref_ValueObjRef(value);
    value->ContentChanged.raise(Variant(1.0));
    std::vector<std::string> traced;
    for (const std::string& procedure : all)
      if (!test::traceMessages(t.debug.lines, procedure).empty()) traced.push_back(procedure);
    EXPECT_EQ(traced, shown) << (setting ? setting : "none");
  }
}

TEST(Trace, WritesTheLinesTheMaskShowsWithProcedureInstanceKeyAndCaption) {
  TestSite t;
  t.settings.setDebug("4");
  t.container.displayName = "Kadrelle7";
  Kadrelle& k = t.make();
  t.debug.lines.clear();
  t.container.nameRequests = 0;
  k.UserControl_InitProperties();  // level 2 only
  EXPECT_TRUE(t.debug.lines.empty());
  EXPECT_EQ(t.container.nameRequests, 0);  // a hidden level asks the host nothing
  k.put_ParamKey("P1");
  k.put_SetUserDescription("Speed");
  t.debug.lines.clear();
  k.Refresh();
  ASSERT_FALSE(t.debug.lines.empty());
  EXPECT_EQ(t.debug.lines.front(),
            "Kadrelle.Refresh [Kadrelle7] starting, param=P1, caption=Speed\r\n");
  EXPECT_EQ(t.debug.lines.back(), "Kadrelle.Refresh [Kadrelle7] done, param=P1, caption=Speed\r\n");
}

// The saved keys in order, each with the value the round trip sets and its default.
const Lines kConfiguredWrites = {"Enabled Boolean:False Boolean:True",
                                 "Font Object:font Object:font",
                                 "BorderStyle Integer:0 Integer:1",
                                 "InitializeValue Double:2.5 Integer:0",
                                 "UseLimits Boolean:True Boolean:False",
                                 "ToolTipText String:Maximum speed String:",
                                 "ParamKey String:P-custom String:",
                                 "CaptionFont Object:font Object:font",
                                 "EditorWidth Single:37.5 Integer:0",
                                 "EditorPosition Long:3 Long:0",
                                 "DisplayMode Long:1 Long:0",
                                 "SignLock Boolean:True Integer:0",
                                 "ZeroException Boolean:True Boolean:False",
                                 "CausesValidation Boolean:False Boolean:True",
                                 "Parameter Long:1020 Long:0",
                                 "TransparentBack Boolean:True Boolean:False",
                                 "BackColor Long:255 Long:-2147483633",
                                 "UnitsFontScale Long:80 Integer:100",
                                 "PresetStyle Long:1 Long:0",
                                 "CaptionPosition Long:2 Long:0",
                                 "UserDescription String:Top speed String:",
                                 "UserUnit String:rev/min String:"};

class Persistence : public test::ControlTest {
 protected:
  Persistence() : ControlTest("2", false) {}
  Lines readTrace() { return test::traceMessages(t.debug.lines, "ReadProperties"); }
};

TEST_F(Persistence, EmptyBagReadsEveryDefaultInOrderAndSavesWhatANewInstanceSaves) {
  RecordingBag bag;
  k.UserControl_ReadProperties(bag);
  Lines defaults;
  for (const auto& w : kConfiguredWrites)
    defaults.push_back(w.substr(0, w.find(' ')) + w.substr(w.rfind(' ')));
  EXPECT_EQ(bag.reads, defaults);
  EXPECT_EQ(t.container.ambientFontRequests, 2);
  EXPECT_NE(k.get_Font(), k.get_CaptionFont());
  EXPECT_EQ(t.editBox().signLockWritten, Variant(std::int16_t{0}));
  EXPECT_TRUE(test::contains(t.log, "value.Link=Nothing"));
  EXPECT_EQ(readTrace(), (Lines{"start", "done"}));

  // Written back are the defaults, apart from the width the closing resize gave and the
  // conversions of the edit box and of the scale.
  RecordingBag written;
  k.UserControl_WriteProperties(written);
  const std::map<std::string, std::string> changed = {{"EditorWidth", "Single:3195"},
                                                      {"SignLock", "Boolean:False"},
                                                      {"UnitsFontScale", "Long:100"}};
  Lines expected;
  for (const auto& w : kConfiguredWrites) {
    const std::string key = w.substr(0, w.find(' ')), d = w.substr(w.rfind(' ') + 1);
    expected.push_back(key + " " + (changed.count(key) ? changed.at(key) : d) + " " + d);
  }
  EXPECT_EQ(written.writes, expected);

  // A new instance saves the same, but for the width no resize has given yet and the edit box's
  // own empty first value.
  test::TestSite fresh;
  Kadrelle& made = fresh.make();
  made.UserControl_InitProperties();
  RecordingBag newInstance;
  made.UserControl_WriteProperties(newInstance);
  expected[3] = "InitializeValue Empty: Integer:0";
  expected[8] = "EditorWidth Single:0 Integer:0";
  EXPECT_EQ(newInstance.writes, expected);
}

// Write, a fresh read, write again gives the same bag. While reading, the rows write the edit box
// and make no value object; the closing steps copy the font and compose the caption.
TEST_F(Persistence, RoundTripWritesEveryKeyAndAFreshReadWritesTheSameBag) {
  test::TestSite a;
  Kadrelle& source = a.make();
  source.UserControl_InitProperties();
  // Every saved setting away from its default.
  source.putref_Font(makeFont("Tahoma", 10));
  source.put_PresetStyle(CorvoStyle);  // caption font bold 8.25, units at 80 per cent
  source.put_Enabled(kFalse);
  source.put_BorderStyle(0);
  source.put_InitializeValue(Variant(2.5));
  source.put_UseLimits(kTrue);
  source.put_ToolTipText("Maximum speed");
  source.put_Parameter(1020);
  source.put_ParamKey("P-custom");
  source.put_EditorWidth(37.5f);
  source.put_EditorPosition(3);
  source.put_DisplayMode(CONFIG_VIEW);
  source.put_SignLock(kTrue);
  source.put_ZeroException(kTrue);
  source.put_CausesValidation(kFalse);
  source.put_TransparentBack(kTrue);
  source.put_BackColor(255);
  source.put_CaptionPosition(Centered);
  source.put_UserDescription("Top speed");
  source.put_UserUnit("rev/min");
  RecordingBag bag;
  source.UserControl_WriteProperties(bag);
  EXPECT_EQ(bag.writes, kConfiguredWrites);

  int createdDuringRows = -1;
  bag.onRead = [&](const std::string& key) {
    if (key == "UserUnit") createdDuringRows = t.values.created;
  };
  k.UserControl_ReadProperties(bag);
  EXPECT_EQ(createdDuringRows, 0);
  ASSERT_GE(t.log.size(), 6u);
  EXPECT_EQ(Lines(t.log.begin(), t.log.begin() + 6),
            (Lines{"editBox.BorderStyle=0", "editBox.InitializeValue=Double:2.5",
                   "editBox.UseLimits=True", "editBox.Armed=True", "editBox.SignLock=Boolean:True",
                   "editBox.ZeroException=Boolean:True"}));
  RecordingBag again;
  k.UserControl_WriteProperties(again);
  EXPECT_EQ(again.entries(), bag.entries());
  EXPECT_EQ(t.editBox().font->get_Name(), "Tahoma");  // copied into the edit box's own font
  EXPECT_NE(t.caption().get_TextRTF().find(
                "\\qc\\b1\\fs16 Top speed\\par\\slmult1\\b0\\fs13 (rev/min)\\par}"),
            std::string::npos)
      << t.caption().get_TextRTF();
}

TEST_F(Persistence, TransparentBackTakesTheSurfaceColourThenBackColorAtTheEnd) {
  t.surface().put_BackColor(0x00112233);
  RecordingBag bag;
  bag.set("TransparentBack", Variant(kTrue));
  bag.set("BackColor", Variant(std::int32_t{255}));
  OleColor captionAtBackColor = 0;
  std::int16_t styleAtBackColor = -1;
  float widthAtEditorPosition = -1;
  bag.onRead = [&](const std::string& key) {
    if (key == "EditorPosition") widthAtEditorPosition = k.get_EditorWidth();
    if (key != "BackColor") return;
    captionAtBackColor = t.caption().get_BackColor();
    styleAtBackColor = t.surface().get_BackStyle();
  };
  k.UserControl_ReadProperties(bag);
  EXPECT_EQ(widthAtEditorPosition, 0.0f);  // an absent width is 0 until the closing resize
  EXPECT_EQ(styleAtBackColor, 0);
  EXPECT_EQ(captionAtBackColor, 0x00112233u);
  EXPECT_EQ(k.get_TransparentBack(), kTrue);
  EXPECT_EQ(t.caption().get_BackColor(), 255u);
  EXPECT_EQ(t.surface().get_BackColor(), 255u);
}

TEST_F(Persistence, WriteStopsAtAFailingRowWithoutTraceOrNotification) {
  k.UserControl_InitProperties();
  t.clear();
  RecordingBag bag;
  bag.failAt = "ParamKey";
  EXPECT_EQ(errorNumber([&] { k.UserControl_WriteProperties(bag); }), Error::kInvalidCall);
  EXPECT_EQ(bag.entries().size(), 6u);
  EXPECT_TRUE(t.debug.lines.empty());
  EXPECT_TRUE(t.container.changed.empty());
}

// Failures while reading: a failing row ends the rows (those read stay read), the closing steps
// run all the same and run once more after their own first error; only an error while handling
// the first reaches the host.
TEST_F(Persistence, NonNumericBackColorKeepsTheLaterRowsAndEndsNormally) {
  k.UserControl_InitProperties();
  k.put_UnitsFontScale(90);
  k.put_UserDescription("Kept description");
  MemoryPropertyBag bag;
  bag.set("Enabled", Variant(kFalse));
  bag.set("BackColor", Variant("red"));
  bag.set("UnitsFontScale", Variant(std::int32_t{70}));
  t.debug.lines.clear();
  EXPECT_NO_THROW(k.UserControl_ReadProperties(bag));
  EXPECT_EQ(k.get_Enabled(), kFalse);
  EXPECT_EQ(k.get_UnitsFontScale(), 90);
  EXPECT_NE(t.caption().get_TextRTF().find("Kept description"), std::string::npos);
  EXPECT_EQ(readTrace(), (Lines{"start", "done"}));
}

TEST_F(Persistence, FailureAtTheFirstRowOfAFreshInstanceReachesTheHost) {
  RecordingBag bag;
  bag.failAt = "Enabled";
  // Font is still empty when the closing steps copy it into the edit box.
  EXPECT_EQ(errorNumber([&] { k.UserControl_ReadProperties(bag); }), Error::kObjectNotSet);
  EXPECT_EQ(bag.reads, Lines{"Enabled Boolean:True"});
  EXPECT_EQ(readTrace(), Lines{"start"});
  k.put_EditorWidth(500);  // the loading guard is down: the layout applies at once
  EXPECT_EQ(t.editBox().get_Width(), 500.0f);
}

// A host that sets a property while a new instance takes its defaults (here from the
// notification InitProperties raises) has it stored, not laid out.
TEST_F(Persistence, ASetterDuringInitPropertiesOnlyStores) {
  float widthSeen = -1;
  t.container.onChanged = [&](const std::string& name) {
    if (name != "TransparentBack") return;
    k.put_EditorWidth(500);
    widthSeen = t.editBox().get_Width();
  };
  k.UserControl_InitProperties();
  EXPECT_NE(widthSeen, 500.0f);
  EXPECT_EQ(k.get_EditorWidth(), 500.0f);
}

TEST_F(Persistence, FirstErrorOfTheClosingStepsRunsThemAgainTheSecondReachesTheHost) {
  // The caption's temporary value object fails once, in the closing refresh.
  t.faults.fail("library.createValueObject");
  MemoryPropertyBag bag;
  EXPECT_NO_THROW(k.UserControl_ReadProperties(bag));
  EXPECT_EQ(readTrace(), (Lines{"start", "done"}));
  EXPECT_EQ(t.editBox().text, "N/A");
  EXPECT_NE(t.caption().get_TextRTF(), "");

  // An empty font reference is stored as it is; copying it into the edit box fails twice.
  bag.set("Font", Variant(FontRef()));
  bag.set("UnitsFontScale", Variant(std::int32_t{70}));
  EXPECT_EQ(errorNumber([&] { k.UserControl_ReadProperties(bag); }), Error::kObjectNotSet);
  EXPECT_EQ(k.get_UnitsFontScale(), 70);  // all rows were read
}

}  // namespace
}  // namespace kadrelle
