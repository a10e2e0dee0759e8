#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MemoryPropertyBag.h"
#include "platform/StdFont.h"

namespace kadrelle {
namespace {

// Entries keep the order of their first write, also when equal to their default; an absent key
// gives the default with its type; keys are exact.
TEST(MemoryPropertyBag, KeepsFirstWriteOrderAndGivesDefaults) {
  MemoryPropertyBag bag;
  bag.WriteProperty("Enabled", kTrue, kTrue);
  bag.WriteProperty("BackColor", std::int32_t{5}, std::int32_t{0});
  bag.WriteProperty("Caption", "x", "");
  bag.WriteProperty("Enabled", kFalse, kTrue);
  std::vector<std::string> keys;
  for (const auto& [k, v] : bag.entries()) keys.push_back(k);
  EXPECT_EQ(keys, (std::vector<std::string>{"Enabled", "BackColor", "Caption"}));
  EXPECT_EQ(bag.ReadProperty("Enabled", kTrue), Variant(kFalse));
  EXPECT_EQ(bag.find("Missing"), nullptr);
  EXPECT_EQ(bag.ReadProperty("Missing", std::int16_t{7}), Variant(std::int16_t{7}));
  EXPECT_EQ(bag.ReadProperty("caption", 0.0), Variant(0.0));
}

TEST(MemoryPropertyBag, ValuesKeepTheirTypes) {
  MemoryPropertyBag bag;
  FontRef font = makeFont();
  const std::vector<Variant> values{
      Variant(), kTrue, std::int16_t{-1}, std::int32_t{-1}, 1.5f, 1.5, Currency::fromScaled(15000),
      "1.5",     font};
  for (std::size_t i = 0; i < values.size(); ++i)
    bag.WriteProperty("k" + std::to_string(i), values[i], Variant());
  for (std::size_t i = 0; i < values.size(); ++i) {
    Variant read = bag.ReadProperty("k" + std::to_string(i), "default");
    EXPECT_EQ(read.type(), values[i].type()) << i;
    EXPECT_EQ(read, values[i]) << i;
  }
  // Fonts are kept by reference, not copied.
  EXPECT_EQ(objectOf<StdFont>(bag.ReadProperty("k8", Variant())), font);
}

}  // namespace
}  // namespace kadrelle
