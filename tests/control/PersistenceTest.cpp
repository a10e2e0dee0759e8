#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "kadrelle_test/KadrelleTestAccess.h"
#include "platform/Error.h"
#include "platform/MemoryPropertyBag.h"

namespace kadrelle {
namespace {

using test::errorNumber;
using test::TestSite;

std::string typeOf(const Variant& v) {
  return Variant::typeName(v.type());
}

// A bag in memory that logs what it is asked, can fail at a key and can look at the control
// just before a key is read.
class RecordingBag : public MemoryPropertyBag {
 public:
  Variant ReadProperty(const std::string& name, const Variant& defaultValue) override {
    reads.push_back(name + ":" + typeOf(defaultValue));
    readDefaults.push_back(defaultValue);
    if (onRead) onRead(name);
    if (name == failAt) throw Error(Error::kInvalidCall, "bag failure");
    return MemoryPropertyBag::ReadProperty(name, defaultValue);
  }
  void WriteProperty(const std::string& name, const Variant& value,
                     const Variant& defaultValue) override {
    if (name == failAt) throw Error(Error::kInvalidCall, "bag failure");
    writes.push_back(name + ":" + typeOf(value) + ":" + typeOf(defaultValue));
    writeDefaults.push_back(defaultValue);
    MemoryPropertyBag::WriteProperty(name, value, defaultValue);
  }

  std::vector<std::string> reads, writes;
  std::vector<Variant> readDefaults, writeDefaults;
  std::string failAt;
  std::function<void(const std::string&)> onRead;
};

const std::vector<std::string> kKeys = {
    "Enabled",         "Font",      "BorderStyle",    "InitializeValue",  "UseLimits",
    "ToolTipText",     "ParamKey",  "CaptionFont",    "EditorWidth",      "EditorPosition",
    "DisplayMode",     "SignLock",  "ZeroException",  "CausesValidation", "Parameter",
    "TransparentBack", "BackColor", "UnitsFontScale", "PresetStyle",      "CaptionPosition",
    "UserDescription", "UserUnit"};

// The defaults passed for every key, reading and writing alike (fonts are checked apart).
void expectDefaults(const std::vector<Variant>& d) {
  ASSERT_EQ(d.size(), 22u);
  EXPECT_EQ(d[0], Variant(kTrue));
  EXPECT_EQ(d[1].type(), Variant::Type::Object);
  EXPECT_EQ(d[2], Variant(std::int16_t{1}));
  EXPECT_EQ(d[3], Variant(std::int16_t{0}));
  EXPECT_EQ(d[4], Variant(kFalse));
  EXPECT_EQ(d[5], Variant(""));
  EXPECT_EQ(d[6], Variant(""));
  EXPECT_EQ(d[7].type(), Variant::Type::Object);
  EXPECT_EQ(d[8], Variant(std::int16_t{0}));
  EXPECT_EQ(d[9], Variant(std::int32_t{0}));
  EXPECT_EQ(d[10], Variant(std::int32_t{0}));
  EXPECT_EQ(d[11], Variant(std::int16_t{0}));
  EXPECT_EQ(d[12], Variant(kFalse));
  EXPECT_EQ(d[13], Variant(kTrue));
  EXPECT_EQ(d[14], Variant(std::int32_t{0}));
  EXPECT_EQ(d[15], Variant(kFalse));
  EXPECT_EQ(d[16], Variant(static_cast<std::int32_t>(0x8000000Fu)));
  EXPECT_EQ(d[17], Variant(std::int16_t{100}));
  EXPECT_EQ(d[18], Variant(std::int32_t{0}));
  EXPECT_EQ(d[19], Variant(std::int32_t{0}));
  EXPECT_EQ(d[20], Variant(""));
  EXPECT_EQ(d[21], Variant(""));
}

void expectSameApartFromItalic(const StdFont& actual, const StdFont& expected) {
  EXPECT_EQ(actual.get_Charset(), expected.get_Charset());
  EXPECT_EQ(actual.get_Name(), expected.get_Name());
  EXPECT_EQ(actual.get_Size(), expected.get_Size());
  EXPECT_EQ(actual.get_Weight(), expected.get_Weight());
  EXPECT_EQ(actual.get_Strikethrough(), expected.get_Strikethrough());
  EXPECT_EQ(actual.get_Underline(), expected.get_Underline());
}

// A control with every saved setting away from its default.
struct Configured {
  Configured() {
    k.UserControl_InitProperties();
    k.putref_Font(makeFont("Tahoma", 10));
    k.put_PresetStyle(CorvoStyle);  // caption font bold 8.25, units at 80 per cent
    k.put_Enabled(kFalse);
    k.put_BorderStyle(0);
    k.put_InitializeValue(Variant(2.5));
    k.put_UseLimits(kTrue);
    k.put_ToolTipText("Maximum speed");
    k.put_Parameter(1020);
    k.put_ParamKey("P-custom");
    k.put_EditorWidth(37.5f);
    k.put_EditorPosition(3);
    k.put_DisplayMode(CONFIG_VIEW);
    k.put_SignLock(kTrue);
    k.put_ZeroException(kTrue);
    k.put_CausesValidation(kFalse);
    k.put_TransparentBack(kTrue);
    k.put_BackColor(255);
    k.put_CaptionPosition(Centered);
    std::string description = "Top speed", unit = "rev/min";
    k.put_UserDescription(description);
    k.put_UserUnit(unit);
  }
  TestSite t;
  Kadrelle& k = t.make();
};

TEST(WriteProperties, WritesTheKeysInOrderWithTheirTypesAndDefaults) {
  Configured a;
  RecordingBag bag;
  a.k.UserControl_WriteProperties(bag);
  EXPECT_EQ(bag.writes, (std::vector<std::string>{
                            "Enabled:Boolean:Boolean",       "Font:Object:Object",
                            "BorderStyle:Integer:Integer",   "InitializeValue:Double:Integer",
                            "UseLimits:Boolean:Boolean",     "ToolTipText:String:String",
                            "ParamKey:String:String",        "CaptionFont:Object:Object",
                            "EditorWidth:Single:Integer",    "EditorPosition:Long:Long",
                            "DisplayMode:Long:Long",         "SignLock:Boolean:Integer",
                            "ZeroException:Boolean:Boolean", "CausesValidation:Boolean:Boolean",
                            "Parameter:Long:Long",           "TransparentBack:Boolean:Boolean",
                            "BackColor:Long:Long",           "UnitsFontScale:Long:Integer",
                            "PresetStyle:Long:Long",         "CaptionPosition:Long:Long",
                            "UserDescription:String:String", "UserUnit:String:String",
                        }));
  expectDefaults(bag.writeDefaults);
  EXPECT_EQ(*bag.find("SignLock"), Variant(kTrue));
  EXPECT_EQ(*bag.find("EditorWidth"), Variant(37.5f));
  EXPECT_EQ(*bag.find("TransparentBack"), Variant(kTrue));
  EXPECT_EQ(*bag.find("BackColor"), Variant(std::int32_t{255}));
  EXPECT_EQ(*bag.find("PresetStyle"), Variant(std::int32_t{CorvoStyle}));
  EXPECT_EQ(*bag.find("UnitsFontScale"), Variant(std::int32_t{80}));
  EXPECT_EQ(*bag.find("Font"), Variant(a.k.get_Font()));
  EXPECT_EQ(*bag.find("CaptionFont"), Variant(a.k.get_CaptionFont()));
}

TEST(WriteProperties, SignLockTrueInTheEditBoxIsWrittenAsBooleanTrue) {
  TestSite t;
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();
  t.editBox().signLock = kTrue;
  MemoryPropertyBag bag;
  k.UserControl_WriteProperties(bag);
  ASSERT_NE(bag.find("SignLock"), nullptr);
  EXPECT_EQ(*bag.find("SignLock"), Variant(kTrue));
}

TEST(WriteProperties, WritesNoTraceAndStopsAtAFailingRow) {
  TestSite t;
  t.settings.setDebug("-1");
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();
  t.debug.lines.clear();
  t.container.changed.clear();
  RecordingBag bag;
  bag.failAt = "ParamKey";
  EXPECT_THROW(k.UserControl_WriteProperties(bag), Error);
  EXPECT_EQ(bag.entries().size(), 6u);
  EXPECT_TRUE(t.debug.lines.empty());
  EXPECT_TRUE(t.container.changed.empty());
}

TEST(ReadProperties, RestoresAllSettingsInAFreshInstance) {
  Configured a;
  MemoryPropertyBag bag;
  a.k.UserControl_WriteProperties(bag);

  TestSite t;
  Kadrelle& b = t.make();
  b.UserControl_ReadProperties(bag);

  EXPECT_EQ(b.get_Enabled(), kFalse);
  EXPECT_EQ(b.get_BorderStyle(), 0);
  EXPECT_EQ(t.editBox().initializeValue, Variant(2.5));
  EXPECT_EQ(b.get_UseLimits(), kTrue);
  EXPECT_EQ(b.get_ToolTipText(), "Maximum speed");
  EXPECT_EQ(b.get_ParamKey(), "P-custom");
  EXPECT_EQ(b.get_EditorWidth(), 37.5f);
  EXPECT_EQ(b.get_EditorPosition(), 3);
  EXPECT_EQ(b.get_DisplayMode(), CONFIG_VIEW);
  EXPECT_EQ(b.get_SignLock(), kTrue);
  EXPECT_EQ(b.get_ZeroException(), kTrue);
  EXPECT_EQ(b.get_CausesValidation(), kFalse);
  EXPECT_EQ(b.get_Parameter(), 1020);
  EXPECT_EQ(b.get_TransparentBack(), kTrue);
  EXPECT_EQ(b.get_BackColor(), 255u);
  EXPECT_EQ(b.get_UnitsFontScale(), 80);
  EXPECT_EQ(b.get_PresetStyle(), CorvoStyle);
  EXPECT_EQ(b.get_CaptionPosition(), Centered);
  EXPECT_EQ(b.get_UserDescription(), "Top speed");
  EXPECT_EQ(b.get_UserUnit(), "rev/min");

  // The fonts the preset made come back through their own keys.
  ASSERT_NE(b.get_Font(), nullptr);
  ASSERT_NE(b.get_CaptionFont(), nullptr);
  EXPECT_EQ(*b.get_Font(), *a.k.get_Font());
  EXPECT_EQ(*b.get_CaptionFont(), *a.k.get_CaptionFont());
  EXPECT_EQ(b.get_CaptionFont()->get_Bold(), kTrue);
  EXPECT_EQ(b.get_CaptionFont()->get_Size(), Currency::fromScaled(82500));
  EXPECT_EQ(b.get_Font()->get_Name(), "Tahoma");
  // The edit box takes the font's attributes into its own object (italic while unbound).
  expectSameApartFromItalic(*t.editBox().font, *b.get_Font());
  EXPECT_NE(t.editBox().font, b.get_Font());

  // Writing the fresh instance again gives the same bag.
  MemoryPropertyBag again;
  b.UserControl_WriteProperties(again);
  EXPECT_EQ(again.entries(), bag.entries());

  // The closing refresh composed the caption from the restored settings.
  EXPECT_EQ(KadrelleTestAccess(b).captionText(), "Top speed");
  EXPECT_EQ(KadrelleTestAccess(b).unitsText(), "(rev/min)");
  EXPECT_EQ(t.caption().get_TextRTF(), KadrelleTestAccess(b).captionRTF());
  EXPECT_NE(t.caption().get_TextRTF().find("\\qc\\b1\\fs16 Top speed\\par\\slmult1\\b0\\fs13 "
                                           "(rev/min)\\par}"),
            std::string::npos)
      << t.caption().get_TextRTF();
  EXPECT_EQ(t.editBox().armed, kTrue);
  EXPECT_FALSE(KadrelleTestAccess(b).loading());
}

TEST(ReadProperties, AbsentEditorWidthIsZeroUntilTheClosingResize) {
  TestSite t;
  Kadrelle& k = t.make();
  float widthAtRow10 = -1;
  RecordingBag bag;
  bag.onRead = [&](const std::string& key) {
    if (key == "EditorPosition") widthAtRow10 = k.get_EditorWidth();
  };
  k.UserControl_ReadProperties(bag);
  EXPECT_EQ(widthAtRow10, 0.0f);
  // The refresh at the end replaces the width 0 by the control's width and says so.
  EXPECT_EQ(k.get_EditorWidth(), t.surface().get_Width());
  EXPECT_NE(std::find(t.container.changed.begin(), t.container.changed.end(), "EditorWidth"),
            t.container.changed.end());
}

TEST(ReadProperties, EmptyBagGivesEveryDefault) {
  TestSite t;
  t.settings.setDebug("2");
  Kadrelle& k = t.make();
  RecordingBag bag;
  k.UserControl_ReadProperties(bag);

  std::vector<std::string> expectedReads;
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    expectedReads.push_back(kKeys[i] + ":" + typeOf(bag.readDefaults.at(i)));
  }
  EXPECT_EQ(bag.reads, expectedReads);
  expectDefaults(bag.readDefaults);

  EXPECT_EQ(k.get_Enabled(), kTrue);
  EXPECT_EQ(k.get_BorderStyle(), 1);
  EXPECT_EQ(k.get_CausesValidation(), kTrue);
  EXPECT_EQ(k.get_UseLimits(), kFalse);
  EXPECT_EQ(k.get_ZeroException(), kFalse);
  EXPECT_EQ(k.get_BackColor(), 0x8000000Fu);
  EXPECT_EQ(k.get_UnitsFontScale(), 100);
  EXPECT_EQ(k.get_PresetStyle(), ClassicStyle);
  EXPECT_EQ(k.get_CaptionPosition(), AlignedLeft);
  EXPECT_EQ(k.get_EditorPosition(), 0);
  EXPECT_EQ(k.get_DisplayMode(), APP_VIEW);
  EXPECT_EQ(k.get_Parameter(), 0);
  EXPECT_EQ(k.get_ParamKey(), "");
  EXPECT_EQ(k.get_UserDescription(), "");
  EXPECT_EQ(k.get_UserUnit(), "");
  EXPECT_EQ(k.get_ToolTipText(), "");
  EXPECT_EQ(k.get_TransparentBack(), kFalse);
  EXPECT_EQ(t.editBox().initializeValue, Variant(std::int16_t{0}));
  EXPECT_EQ(t.editBox().signLockWritten, Variant(std::int16_t{0}));

  // Two fonts, one request each.
  EXPECT_EQ(t.container.ambientFontRequests, 2);
  ASSERT_NE(k.get_Font(), nullptr);
  ASSERT_NE(k.get_CaptionFont(), nullptr);
  EXPECT_NE(k.get_Font(), k.get_CaptionFont());

  ASSERT_GE(t.debug.lines.size(), 2u);
  EXPECT_EQ(t.debug.lines.front(),
            "Kadrelle.ReadProperties [Kadrelle1] start, param=, caption=\r\n");
  EXPECT_EQ(t.debug.lines.back().rfind("Kadrelle.ReadProperties [Kadrelle1] done,", 0), 0u)
      << t.debug.lines.back();
}

TEST(ReadProperties, WritesTheEditBoxSettingsAndArmsItAfterTheDisplayMode) {
  Configured a;
  MemoryPropertyBag bag;
  a.k.UserControl_WriteProperties(bag);

  TestSite t;
  Kadrelle& b = t.make();
  t.log.clear();
  bool armedAtDisplayMode = true, armedAtSignLock = false;
  int createdDuringRows = -1;
  RecordingBag recording;
  for (const auto& [key, value] : bag.entries()) recording.set(key, value);
  recording.onRead = [&](const std::string& key) {
    if (key == "DisplayMode") armedAtDisplayMode = static_cast<bool>(t.editBox().armed);
    if (key == "SignLock") armedAtSignLock = static_cast<bool>(t.editBox().armed);
    if (key == "UserUnit") createdDuringRows = t.values.created;
  };
  b.UserControl_ReadProperties(recording);
  EXPECT_FALSE(armedAtDisplayMode);
  EXPECT_TRUE(armedAtSignLock);
  // Parameter is only stored: no value object is made while the rows are read.
  EXPECT_EQ(createdDuringRows, 0);
  ASSERT_GE(t.log.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(t.log.begin(), t.log.begin() + 6),
            (std::vector<std::string>{
                "editBox.BorderStyle=0",
                "editBox.InitializeValue=Double:2.5",
                "editBox.UseLimits=True",
                "editBox.Armed=True",
                "editBox.SignLock=Boolean:True",
                "editBox.ZeroException=Boolean:True",
            }));
}

TEST(ReadProperties, SharedValueObjectGetsAnEmptyLink) {
  TestSite t;
  Kadrelle& k = t.make();
  MemoryPropertyBag bag;
  k.UserControl_ReadProperties(bag);
  ASSERT_NE(t.values.shared, nullptr);
  EXPECT_NE(std::find(t.log.begin(), t.log.end(), "value.Link=Nothing"), t.log.end());
}

TEST(ReadProperties, TransparentBackTakesTheSurfaceColourThenBackColorAtTheEnd) {
  TestSite t;
  Kadrelle& k = t.make();
  t.surface().put_BackColor(0x00112233);
  MemoryPropertyBag source;
  source.set("TransparentBack", Variant(kTrue));
  source.set("BackColor", Variant(std::int32_t{255}));
  RecordingBag bag;
  for (const auto& [key, value] : source.entries()) bag.set(key, value);
  OleColor captionAtBackColor = 0;
  std::int16_t styleAtBackColor = -1;
  bag.onRead = [&](const std::string& key) {
    if (key == "BackColor") {
      captionAtBackColor = t.caption().get_BackColor();
      styleAtBackColor = t.surface().get_BackStyle();
    }
  };
  k.UserControl_ReadProperties(bag);
  EXPECT_EQ(styleAtBackColor, 0);
  EXPECT_EQ(captionAtBackColor, 0x00112233u);
  EXPECT_EQ(k.get_TransparentBack(), kTrue);
  EXPECT_EQ(t.caption().get_BackColor(), 255u);
  EXPECT_EQ(t.surface().get_BackColor(), 255u);
  EXPECT_EQ(k.get_BackColor(), 255u);
}

// An instance whose settings 17 to 22 differ from both the bag and the defaults.
struct Loaded {
  Loaded() {
    k.UserControl_InitProperties();
    k.put_BackColor(0x00ABCDEF);
    k.put_UnitsFontScale(90);
    k.put_PresetStyle(CustomStyle);
    k.put_CaptionPosition(AlignedRight);
    std::string description = "Kept description", unit = "kept";
    k.put_UserDescription(description);
    k.put_UserUnit(unit);
    t.debug.lines.clear();
  }
  TestSite t;
  bool traced = (t.settings.setDebug("2"), true);
  Kadrelle& k = t.make();
};

TEST(ReadProperties, NonNumericBackColorSkipsTheRemainingRows) {
  Configured a;
  MemoryPropertyBag bag;
  a.k.UserControl_WriteProperties(bag);
  bag.set("BackColor", Variant("red"));

  Loaded b;
  const std::int32_t rtfMovesBefore = b.t.caption().moveCount();
  EXPECT_NO_THROW(b.k.UserControl_ReadProperties(bag));

  // Rows 1 to 16 were read...
  EXPECT_EQ(b.k.get_Enabled(), kFalse);
  EXPECT_EQ(b.k.get_ParamKey(), "P-custom");
  EXPECT_EQ(b.k.get_TransparentBack(), kTrue);
  EXPECT_EQ(b.k.get_Font(), a.k.get_Font());
  // ...17 to 22 kept their values.
  EXPECT_EQ(b.k.get_BackColor(), 0x00ABCDEFu);
  EXPECT_EQ(b.k.get_UnitsFontScale(), 90);
  EXPECT_EQ(b.k.get_PresetStyle(), CustomStyle);
  EXPECT_EQ(b.k.get_CaptionPosition(), AlignedRight);
  EXPECT_EQ(b.k.get_UserDescription(), "Kept description");
  EXPECT_EQ(b.k.get_UserUnit(), "kept");
  // The closing steps still ran.
  EXPECT_FALSE(KadrelleTestAccess(b.k).loading());
  expectSameApartFromItalic(*b.t.editBox().font, *a.k.get_Font());
  EXPECT_EQ(b.t.surface().get_BackColor(), 0x00ABCDEFu);
  EXPECT_GT(b.t.caption().moveCount(), rtfMovesBefore);
  EXPECT_NE(b.t.caption().get_TextRTF().find("\\qr\\b1\\fs16 Kept description\\par"),
            std::string::npos)
      << b.t.caption().get_TextRTF();
  ASSERT_FALSE(b.t.debug.lines.empty());
  EXPECT_EQ(b.t.debug.lines.back().rfind("Kadrelle.ReadProperties [Kadrelle1] done,", 0), 0u)
      << b.t.debug.lines.back();
}

TEST(ReadProperties, FailureAtTheFirstRowOfAFreshInstanceReachesTheHost) {
  TestSite t;
  t.settings.setDebug("2");
  Kadrelle& k = t.make();
  RecordingBag bag;
  bag.failAt = "Enabled";
  // Font is still empty when the closing steps copy it into the edit box.
  EXPECT_EQ(errorNumber([&] { k.UserControl_ReadProperties(bag); }), Error::kObjectNotSet);
  EXPECT_EQ(bag.reads, std::vector<std::string>{"Enabled:Boolean"});
  EXPECT_FALSE(KadrelleTestAccess(k).loading());
  for (const auto& line : t.debug.lines) {
    EXPECT_EQ(line.find("ReadProperties [Kadrelle1] done"), std::string::npos) << line;
  }
}

TEST(ReadProperties, FailureAtTheFirstRowWithFontsInPlaceIsNotReported) {
  Loaded b;
  RecordingBag bag;
  bag.failAt = "Enabled";
  EXPECT_NO_THROW(b.k.UserControl_ReadProperties(bag));
  EXPECT_EQ(b.k.get_Enabled(), kTrue);
  EXPECT_EQ(b.k.get_BackColor(), 0x00ABCDEFu);
  ASSERT_FALSE(b.t.debug.lines.empty());
  EXPECT_EQ(b.t.debug.lines.back().rfind("Kadrelle.ReadProperties [Kadrelle1] done,", 0), 0u);
}

TEST(ReadProperties, FirstErrorOfTheClosingStepsRunsThemAgain) {
  TestSite t;
  t.settings.setDebug("2");
  Kadrelle& k = t.make();
  MemoryPropertyBag bag;
  // The caption's temporary value object fails once, in the closing refresh.
  t.faults.fail("library.createValueObject");
  EXPECT_NO_THROW(k.UserControl_ReadProperties(bag));
  int done = 0;
  for (const auto& line : t.debug.lines) {
    done += line.rfind("Kadrelle.ReadProperties [Kadrelle1] done,", 0) == 0;
  }
  EXPECT_EQ(done, 1);
  EXPECT_FALSE(KadrelleTestAccess(k).loading());
  EXPECT_EQ(t.editBox().text, "N/A");
  EXPECT_NE(t.caption().get_TextRTF(), "");
}

TEST(ReadProperties, SecondErrorOfTheClosingStepsReachesTheHost) {
  TestSite t;
  Kadrelle& k = t.make();
  MemoryPropertyBag bag;
  // An empty font reference is stored as it is; copying it into the edit box fails twice.
  bag.set("Font", Variant(FontRef()));
  EXPECT_EQ(errorNumber([&] { k.UserControl_ReadProperties(bag); }), Error::kObjectNotSet);
  // All rows were read before the closing steps failed.
  EXPECT_EQ(k.get_UnitsFontScale(), 100);
  EXPECT_FALSE(KadrelleTestAccess(k).loading());
}

}  // namespace
}  // namespace kadrelle
