#include <gtest/gtest.h>

#include "host/Form.h"
#include "host/FormFile.h"
#include "kadrelle_test/Checks.h"
#include "kadrelle_test/Fakes.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

class FormFiles : public testing::Test {
 protected:
  Form::Services services() { return {t.toolkit, t.editBoxes, t.values, t.settings, t.debug}; }
  static std::string read(const fs::path& p) { return test::readText(p); }
  // The error number and message of loading `text` (no file for nullptr) into a form that holds
  // one control, without the folder and the JSON parser's own words; "" when it loads.
  std::string loadError(const char* text) {
    if (text) std::ofstream(dir / "f.json", std::ios::binary) << text;
    Form form(services());
    form.addNew("Before", {});
    form.markSaved();
    try {
      FormFile::load(dir / "f.json", form);
    } catch (const Error& e) {
      EXPECT_EQ(form.size(), 1u) << "a bad file must leave the form as it was";
      EXPECT_EQ(form.name(0), "Before");
      EXPECT_FALSE(form.changed());
      const std::string d = e.description();
      const std::size_t name = d.find("f.json");
      return std::to_string(e.number()) + " " + d.substr(name, d.find(" ([json") - name);
    }
    return "";
  }

  test::TestSite t;
  test::TempFolder temp{"kadrelle-form"};
  fs::path dir = temp.path;
};

// Saved, loaded into a new form and saved again, a form gives the same document.
TEST_F(FormFiles, RoundTripKeepsEverySettingAndPlacement) {
  Form form(services());
  Kadrelle& a = form.addNew("", {120, 240, 4000, 600});
  a.put_EditorWidth(37.5f);
  a.put_PresetStyle(CorvoStyle);
  a.put_ToolTipText("Maximum speed");
  std::string unit = "rpm";
  a.put_UserUnit(unit);
  a.put_SignLock(kTrue);
  a.put_DisplayMode(DRIVE_VIEW);
  a.put_BackColor(255);
  form.addNew("", {120, 900, 3195, 825});
  EXPECT_TRUE(form.changed());
  FormFile::save(form, dir / "form.json");
  EXPECT_FALSE(form.changed());

  Form loaded(services());
  FormFile::load(dir / "form.json", loaded);
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded.name(1), "Kadrelle2");
  EXPECT_FALSE(loaded.changed());
  const auto state = [](Form& f) {
    Kadrelle& k = f.control(0);
    const Form::Placement p = f.placement(0);
    return std::tuple(k.get_EditorWidth(), k.get_PresetStyle(), k.get_UnitsFontScale(),
                      k.get_CaptionFont()->get_Bold(), k.get_ToolTipText(), k.get_UserUnit(),
                      k.get_SignLock(), k.get_DisplayMode(), k.get_BackColor(), p.left, p.top,
                      p.width, p.height);
  };
  EXPECT_EQ(state(loaded), state(form));
  EXPECT_EQ(FormFile::toJson(loaded), read(dir / "form.json"));
  // Settings at their default are left out; the first layout pass chose a width.
  Form fresh(services());
  fresh.addNew("Speed", {});
  const std::string json = FormFile::toJson(fresh);
  for (const char* key : {"Enabled", "BorderStyle", "Font", "SignLock", "InitializeValue"})
    EXPECT_EQ(json.find("\"" + std::string(key) + "\""), std::string::npos) << key;
  EXPECT_NE(json.find("\"EditorWidth\""), std::string::npos);
}

TEST_F(FormFiles, SaveKeepsTheOldFileAsBackupAndAFailedSaveDamagesNothing) {
  Form form(services());
  form.addNew("A", {});
  FormFile::save(form, dir / "form.json");
  std::string first = read(dir / "form.json");
  form.control(0).put_ToolTipText("changed");
  FormFile::save(form, dir / "form.json");
  EXPECT_EQ(read(dir / "form.json.bak"), first);
  std::string second = read(dir / "form.json");
  EXPECT_NE(second, first);

  // A refused save leaves the file and the form's changed state as they were: a value the
  // reader would refuse, then a file that cannot be written.
  form.control(0).put_EditorWidth(std::numeric_limits<float>::quiet_NaN());
  EXPECT_THROW(FormFile::save(form, dir / "form.json"), Error);
  EXPECT_EQ(read(dir / "form.json"), second);
  form.control(0).put_EditorWidth(0);
  fs::permissions(dir / "form.json", fs::perms::owner_read);
  form.control(0).put_ToolTipText("lost");
  EXPECT_THROW(FormFile::save(form, dir / "form.json"), Error);
  EXPECT_EQ(read(dir / "form.json"), second);
  EXPECT_TRUE(form.changed());
}

// A file that cannot be loaded leaves the form as it was (see loadError); the message names the
// file and the place in it.
TEST_F(FormFiles, BadFilesAreRefusedWithThePlaceNamed) {
#define FORM(controls) R"({"format":"kadrelle-form","version":1,"controls":[)" controls "]}"
#define CONTROL(name, width, props)                                                              \
  R"({"type":"Kadrelle","name":")" name R"(","left":0,"top":0,"width":)" width R"(,"height":1,)" \
  R"("properties":[)" props "]}"
#define SETTING(props) FORM(CONTROL("A", "3000", props))
#define PROP(key, type, value) R"({"key":")" key R"(","type":")" type R"(","value":)" value "}"
#define AT(i) "321 f.json.controls[0].properties[" #i "]"
  const std::pair<const char*, const char*> cases[] = {
      // text (nullptr: no file), error
      {nullptr, "53 f.json: file not found"},
      {"", "321 f.json: not a JSON document"},
      {R"({"format":"kadrelle-form","version":1,"controls":[{"type":)",
       "321 f.json: not a JSON document"},
      {"[1,2]", "321 f.json: expected a JSON object"},
      {"10E115111111A11+", "321 f.json: not a JSON document"},  // found by fuzzing
      {"1e999", "321 f.json: not a JSON document"},
      {R"({"format":"other","version":1,"controls":[]})", "321 f.json.format: not a Kadrelle form"},
      // Of a repeated key the last counts; of several unknown keys the first in sorted order.
      {R"({"format":"kadrelle-form","version":1,"controls":[],"version":2})",
       "321 f.json.version: unsupported version"},
      {R"({"format":"kadrelle-form","version":1,"controls":[],"zeta":1,"alpha":2})",
       "321 f.json: unknown entry \"alpha\""},
      {SETTING(PROP("Enabled", "Boolean", "1")), AT(0) ".value: expected true or false"},
      {SETTING(PROP("BorderStyle", "Integer", "40000")),
       AT(0) ".value: number 40000 is out of range"},
      {SETTING(PROP("Parameter", "Long", "18446744073709551615")),
       AT(0) ".value: number 18446744073709551615 is out of range"},
      {SETTING(PROP("Colour", "Long", "1")), AT(0) ".key: unknown setting \"Colour\""},
      {SETTING(PROP("ToolTipText", "String", "\"a\"") "," PROP("BackColor", "String", "\"blue\"")),
       AT(1) ".value: the control refuses this value of \"BackColor\""},
      {SETTING(PROP("EditorWidth", "Single", "1e300")), AT(0) ".value: number is out of range"},
      {SETTING(PROP("X", "Currency", "1e300")), AT(0) ".value: number is out of range"},
      {SETTING(PROP("X", "Decimal", "1")), AT(0) ".type: unknown value type \"Decimal\""},
      {SETTING(R"({"key":"X","type":"String","value":"a","more":1})"),
       AT(0) ": unknown entry \"more\""},
      {SETTING(PROP("X", "String", "\"a\"") "," PROP("X", "String", "\"b\"")),
       AT(1) ".key: duplicate setting \"X\""},
      {SETTING(PROP("Font", "Font", R"({"name":"Arial"})")), AT(0) ".value: missing \"charset\""},
      {FORM(CONTROL("", "1", "")), "321 f.json.controls[0].name: a control needs a name"},
      {FORM(CONTROL("A", "1", "") "," CONTROL("A", "1", "")),
       "321 f.json.controls[1].name: duplicate control name \"A\""},
      {FORM(CONTROL("A", "1", "") "," CONTROL("B", "1", PROP("Font", "Long", "5"))),
       "321 f.json.controls[1].properties[0].value: the control refuses this value of \"Font\" "
       "(Object variable or With block variable not set)"},
      {FORM(CONTROL("A", "-5", "")), "321 f.json.controls[0].width: length is out of range"}};
#undef AT
#undef PROP
#undef SETTING
#undef CONTROL
#undef FORM
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(loadError(text), expected) << (text ? text : "no file");
}

}  // namespace
}  // namespace kadrelle
