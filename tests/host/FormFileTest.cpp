#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/Form.h"
#include "host/FormFile.h"
#include "kadrelle_test/Fakes.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

class FormFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir =
        fs::temp_directory_path() / ("kadrelle-form-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  Form::Services services() { return {t.toolkit, t.editBoxes, t.values, t.settings, t.debug}; }
  static void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The error message of loading `text`, or "" when it loads.
  // The error message of loading `text` into a form that holds one control, or "" when it loads.
  std::string loadError(const std::string& text) {
    write(dir / "f.json", text);
    Form form(services());
    form.addNew("Before", {});
    form.markSaved();
    try {
      FormFile::load(dir / "f.json", form);
    } catch (const Error& e) {
      EXPECT_EQ(form.size(), 1u) << "a bad file must leave the form as it was";
      EXPECT_EQ(form.name(0), "Before");
      EXPECT_FALSE(form.changed());
      return e.description();
    }
    return "";
  }

  test::TestSite t;
  fs::path dir;
};

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
  EXPECT_EQ(loaded.name(0), "Kadrelle1");
  EXPECT_EQ(loaded.name(1), "Kadrelle2");
  Kadrelle& b = loaded.control(0);
  EXPECT_EQ(b.get_EditorWidth(), 37.5f);
  EXPECT_EQ(b.get_PresetStyle(), CorvoStyle);
  EXPECT_EQ(b.get_UnitsFontScale(), 80);
  EXPECT_EQ(b.get_CaptionFont()->get_Bold(), kTrue);
  EXPECT_EQ(b.get_ToolTipText(), "Maximum speed");
  EXPECT_EQ(b.get_UserUnit(), "rpm");
  EXPECT_EQ(b.get_SignLock(), kTrue);
  EXPECT_EQ(b.get_DisplayMode(), DRIVE_VIEW);
  EXPECT_EQ(b.get_BackColor(), 255u);
  EXPECT_EQ(loaded.placement(0).left, 120);
  EXPECT_EQ(loaded.placement(0).top, 240);
  EXPECT_EQ(loaded.placement(0).width, 4000);
  EXPECT_FALSE(loaded.changed());
  // Saving the loaded form gives the same document.
  EXPECT_EQ(FormFile::toJson(loaded), read(dir / "form.json"));
}

TEST_F(FormFiles, DefaultsAreLeftOut) {
  Form form(services());
  form.addNew("Speed", {});
  std::string json = FormFile::toJson(form);
  EXPECT_EQ(json.find("\"Enabled\""), std::string::npos);
  EXPECT_EQ(json.find("\"BorderStyle\""), std::string::npos);
  EXPECT_EQ(json.find("\"Font\""), std::string::npos);
  EXPECT_EQ(json.find("\"SignLock\""), std::string::npos);
  EXPECT_EQ(json.find("\"InitializeValue\""), std::string::npos);
  // The first layout pass chose a width, which is not the default 0.
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

  // A refused save leaves the file and the form's changed state as they were.
  fs::permissions(dir / "form.json", fs::perms::owner_read);
  form.control(0).put_ToolTipText("lost");
  EXPECT_THROW(FormFile::save(form, dir / "form.json"), Error);
  EXPECT_EQ(read(dir / "form.json"), second);
  EXPECT_TRUE(form.changed());
}

TEST_F(FormFiles, MissingFileIsNamed) {
  Form form(services());
  try {
    FormFile::load(dir / "nothing.json", form);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 53);
    EXPECT_NE(e.description().find("nothing.json"), std::string::npos);
  }
}

struct BadForm {
  const char* text;
  const char* expected;  // part of the message
};

class BadForms : public FormFiles, public testing::WithParamInterface<BadForm> {};

TEST_P(BadForms, AreRefusedWithThePlaceNamed) {
  std::string message = loadError(GetParam().text);
  EXPECT_NE(message.find("f.json"), std::string::npos) << message;
  EXPECT_NE(message.find(GetParam().expected), std::string::npos) << message;
}

#define CONTROL(props)                                                                                                                                 \
  R"({"format":"kadrelle-form","version":1,"controls":[{"type":"Kadrelle","name":"A","left":0,"top":0,"width":3000,"height":400,"properties":[)" props \
  "]}]}"

INSTANTIATE_TEST_SUITE_P(
    Files, BadForms,
    testing::Values(
        BadForm{"", "not a JSON document"},
        BadForm{R"({"format":"kadrelle-form","version":1,"controls":[{"type":)",
                "not a JSON document"},
        BadForm{"[1,2]", "expected a JSON object"},
        BadForm{"10E115111111A11+", "not a JSON document"},  // found by fuzzing
        BadForm{"1e999", "not a JSON document"},
        BadForm{R"({"format":"other","version":1,"controls":[]})", ".format"},
        BadForm{R"({"format":"kadrelle-form","version":2,"controls":[]})", ".version"},
        BadForm{R"({"format":"kadrelle-form","version":1,"controls":[],"extra":1})",
                "unknown entry \"extra\""},
        BadForm{CONTROL(R"({"key":"Enabled","type":"Boolean","value":1})"),
                ".controls[0].properties[0].value: expected true or false"},
        BadForm{CONTROL(R"({"key":"BorderStyle","type":"Integer","value":40000})"), "out of range"},
        BadForm{CONTROL(R"({"key":"Parameter","type":"Long","value":18446744073709551615})"),
                ".value: number 18446744073709551615 is out of range"},
        BadForm{CONTROL(R"({"key":"Colour","type":"Long","value":1})"),
                ".properties[0].key: unknown setting \"Colour\""},
        BadForm{
            CONTROL(R"({"key":"ToolTipText","type":"String","value":"a"},)"
                    R"({"key":"BackColor","type":"String","value":"blue"})"),
            ".controls[0].properties[1].value: the control refuses this value of \"BackColor\""},
        BadForm{CONTROL(R"({"key":"EditorWidth","type":"Single","value":1e300})"),
                ".properties[0].value: number is out of range"},
        BadForm{CONTROL(R"({"key":"X","type":"Decimal","value":1})"), "unknown value type"},
        BadForm{CONTROL(R"({"key":"X","type":"String","value":"a","more":1})"),
                "unknown entry \"more\""},
        BadForm{
            CONTROL(
                R"({"key":"X","type":"String","value":"a"},{"key":"X","type":"String","value":"b"})"),
            "duplicate setting"},
        BadForm{CONTROL(R"({"key":"Font","type":"Font","value":{"name":"Arial"}})"),
                "missing \"charset\""},
        BadForm{
            R"({"format":"kadrelle-form","version":1,"controls":[)"
            R"({"type":"Kadrelle","name":"A","left":0,"top":0,"width":1,"height":1,"properties":[]},)"
            R"({"type":"Kadrelle","name":"A","left":0,"top":0,"width":1,"height":1,"properties":[]}]})",
            ".controls[1].name: duplicate control name"},
        BadForm{
            R"({"format":"kadrelle-form","version":1,"controls":[)"
            R"({"type":"Kadrelle","name":"A","left":0,"top":0,"width":1,"height":1,"properties":[]},)"
            R"({"type":"Kadrelle","name":"B","left":0,"top":0,"width":1,"height":1,"properties":[)"
            R"({"key":"Font","type":"Long","value":5}]}]})",
            ".controls[1].properties[0].value: the control refuses this value of \"Font\""},
        BadForm{
            R"({"format":"kadrelle-form","version":1,"controls":[)"
            R"({"type":"Kadrelle","name":"A","left":0,"top":0,"width":-5,"height":1,"properties":[]}]})",
            ".controls[0].width"}));

}  // namespace
}  // namespace kadrelle
