#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/Kadrelle.h"
#include "kadrelle_test/ControlTest.h"
#include "kadrelle_test/KadrelleTestAccess.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using test::CallLog;
using test::contains;
using test::TestSite;

using Names = std::vector<std::string>;

class ValueProperties : public test::ControlTest {
 protected:
  ValueProperties() : ControlTest("4") {
    k.put_EditorWidth(800);
    t.container.changed.clear();
  }
  void bind() {
    value->appView->numericValue = 1;
    k.putref_ValueObjRef(value);
    t.container.changed.clear();
    t.log.clear();
    t.debug.lines.clear();
  }
};

TEST_F(ValueProperties, ParameterLooksUpTheKeyAndReportsBoth) {
  // Number 0 clears the key whatever the library would call it.
  t.values.parameters[0] = {"P0", ""};
  t.values.parameters[1] = {"P1", ""};
  for (const auto& [number, key] :
       std::vector<std::pair<ParameterNumbers, std::string>>{{1020, "P1020"}, {1, "P1"}, {0, ""}}) {
    k.put_ParamKey("P9999");
    t.container.changed.clear();
    t.log.clear();
    k.put_Parameter(number);
    EXPECT_EQ(k.get_Parameter(), number);
    EXPECT_EQ(k.get_ParamKey(), key) << number;
    EXPECT_EQ(t.container.changed, (Names{"ParamKey", "Parameter"}));
    EXPECT_TRUE(contains(t.log, "value.ParameterNumber=" + std::to_string(number)));
  }
  EXPECT_EQ(t.values.created, 3);
  EXPECT_EQ(k.get_ValueObjRef(), nullptr);
}

TEST_F(ValueProperties, WhileBoundTheKeyIsTheObjectsAndTheOwnIsOnlyStored) {
  bind();
  const std::string rtf = t.caption().get_TextRTF();
  k.put_Parameter(1020);
  EXPECT_EQ(k.get_ValueObjRef(), value);
  EXPECT_EQ(value->parameterNumber, 0);
  EXPECT_EQ(KadrelleTestAccess(k).paramKey(), "P1020");
  EXPECT_EQ(t.caption().get_TextRTF(), rtf);
  t.container.changed.clear();
  k.put_ParamKey("mine");
  EXPECT_EQ(k.get_ParamKey(), "P1010");
  EXPECT_EQ(KadrelleTestAccess(k).paramKey(), "mine");
  EXPECT_EQ(t.container.changed, Names{"ParamKey"});
  k.putref_ValueObjRef(nullptr);
  EXPECT_EQ(k.get_ParamKey(), "mine");
}

TEST_F(ValueProperties, ParamKeyLetOnlyStoresAndAFailingLookupKeepsIt) {
  t.log.clear();
  const std::string rtf = t.caption().get_TextRTF();
  k.put_ParamKey("old");
  EXPECT_TRUE(t.log.empty());
  EXPECT_EQ(t.caption().get_TextRTF(), rtf);
  EXPECT_EQ(k.get_Parameter(), 0);
  EXPECT_EQ(t.values.created, 0);
  t.container.changed.clear();
  t.faults.fail("value.Key");
  EXPECT_THROW(k.put_Parameter(1020), Error);
  EXPECT_EQ(k.get_Parameter(), 1020);
  EXPECT_EQ(k.get_ParamKey(), "old");
  EXPECT_TRUE(t.container.changed.empty());
}

TEST_F(ValueProperties, ValueCommitsAndRaisesChangeOnce) {
  bind();
  k.put_Value(Variant(std::int16_t{5}));
  EXPECT_EQ(std::count(t.log.begin(), t.log.end(), "value.Commit"), 1);
  EXPECT_EQ(changeCount, 1);
  EXPECT_EQ(t.container.changed, Names{"Value"});
  EXPECT_TRUE(contains(t.log, "appView.NumericValue=5"));
}

TEST(ValuePropertiesQuiet, InitializeValueTextIsTakenEvenWhenTheLineIsNotWritten) {
  // With level 4 off the "newval=" text is still made, so an empty font reference fails the
  // call before anything reaches the edit box.
  TestSite t;
  t.settings.setDebug("0");
  Kadrelle& k = t.make();
  k.UserControl_InitProperties();
  t.log.clear();
  t.container.changed.clear();
  EXPECT_EQ(test::errorNumber([&] { k.put_InitializeValue(Variant(FontRef{})); }),
            Error::kObjectNotSet);
  EXPECT_FALSE(contains(t.log, "editBox.InitializeValue=Font:font"));
  EXPECT_TRUE(t.container.changed.empty());
  EXPECT_TRUE(t.debug.lines.empty());
}

TEST_F(ValueProperties, TextChangesOnlyTheDisplay) {
  bind();
  k.put_Text("abc");
  EXPECT_EQ(k.get_Text(), "abc");
  EXPECT_EQ(t.log, CallLog{"editBox.Text=abc"});
  EXPECT_EQ(changeCount, 0);
  EXPECT_EQ(value->appView->numericValue, 1);
  EXPECT_EQ(t.container.changed, Names{"Text"});
}

}  // namespace
}  // namespace kadrelle
