#include <gtest/gtest.h>

#include <string>

#include "platform/Error.h"
#include "platform/StdFont.h"
#include "platform/Variant.h"

namespace kadrelle {
namespace {

struct Other : Object {};

int errorOf(void (*call)(const Variant&), const Variant& v) {
  try {
    call(v);
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(ObjectVariant, ObjectsAndPlainValuesRefuseEachOther) {
  FontRef font = makeFont("Tahoma");
  Variant v = font;
  EXPECT_EQ(v.type(), Variant::Type::Object);
  EXPECT_EQ(objectOf<StdFont>(v), font);
  EXPECT_EQ(objectOf<StdFont>(Variant(nullptr)), nullptr);  // Nothing
  EXPECT_EQ(concatText(v), "Tahoma");                       // the font's default member

  auto font_ = [](const Variant& x) { objectOf<StdFont>(x); };
  EXPECT_EQ(errorOf(font_, Variant(5)), Error::kObjectRequired);
  EXPECT_EQ(errorOf(font_, Variant()), Error::kObjectRequired);
  EXPECT_EQ(errorOf(font_, Variant(std::make_shared<Other>())), Error::kTypeMismatch);
  EXPECT_EQ(errorOf([](const Variant& x) { CLng(x); }, v), Error::kTypeMismatch);
  EXPECT_EQ(errorOf([](const Variant& x) { CStr(x); }, v), Error::kTypeMismatch);
}

TEST(ObjectVariant, ByReferenceCellsReadAndWriteTheCallersVariable) {
  std::int16_t key = 65;
  std::string text = "old";
  float x = 0;
  ObjectRef object;
  Variant keyCell = Variant::ref(key), textCell = Variant::ref(text), xCell = Variant::ref(x),
          objectCell = Variant::ref(object);
  EXPECT_TRUE(keyCell.isByRef());
  EXPECT_EQ(keyCell.type(), Variant::Type::Integer);
  EXPECT_EQ(CStr(keyCell), "65");
  EXPECT_EQ(keyCell.value(), Variant(std::int16_t{65}));

  // Writes convert to the variable's type by Basic's rules.
  keyCell.assign("2.5");
  xCell.assign(std::int32_t{7});
  textCell.assign(1.5);
  FontRef font = makeFont();
  objectCell.assign(font);
  EXPECT_EQ(key, 2);
  EXPECT_EQ(x, 7.0f);
  EXPECT_EQ(text, "1.5");
  EXPECT_EQ(object, font);
  EXPECT_EQ(errorOf([](const Variant& v) { Variant(v).assign("x"); }, keyCell),
            Error::kTypeMismatch);
  EXPECT_EQ(errorOf([](const Variant& v) { Variant(v).assign(70000); }, keyCell), Error::kOverflow);
  EXPECT_EQ(errorOf([](const Variant& v) { Variant(v).assign(1); }, objectCell),
            Error::kObjectRequired);
  EXPECT_EQ(key, 2);  // a refused write leaves the variable as it was

  // A plain Variant takes the value, not the cell.
  Variant plain;
  plain.assign(keyCell);
  key = 9;
  EXPECT_FALSE(plain.isByRef());
  EXPECT_EQ(CInt(plain), 2);
}

}  // namespace
}  // namespace kadrelle
