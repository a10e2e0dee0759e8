#include "ombrel/EntryParser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kadrelle {
namespace {

struct EntryCase {
  const char* text;
  std::optional<double> expected;
};

void PrintTo(const EntryCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

class DecimalEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(DecimalEntry, Reads) {
  EXPECT_EQ(EntryParser::parseDecimal(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, DecimalEntry,
    testing::Values(EntryCase{"1,234.5", 1234.5}, EntryCase{"-7", -7.0}, EntryCase{"  42  ", 42.0},
                    EntryCase{"2.5E+3", 2500.0}, EntryCase{"12.5%", 0.125},
                    EntryCase{"&HFF", 255.0}, EntryCase{"", std::nullopt},
                    EntryCase{"abc", std::nullopt}, EntryCase{"NaN", std::nullopt},
                    EntryCase{"1e400", std::nullopt}, EntryCase{"%", std::nullopt},
                    EntryCase{"5 mm", std::nullopt}));

class HexEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(HexEntry, Reads) {
  EXPECT_EQ(EntryParser::parseHex(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, HexEntry,
    testing::Values(EntryCase{"ff", 255.0}, EntryCase{"&HFF", 255.0}, EntryCase{"0x1A", 26.0},
                    EntryCase{"10", 16.0}, EntryCase{" 00FF ", 255.0},
                    EntryCase{"FFFFFFFF", 4294967295.0}, EntryCase{"100000000", std::nullopt},
                    EntryCase{"&H", std::nullopt}, EntryCase{"0x", std::nullopt},
                    EntryCase{"", std::nullopt}, EntryCase{"-1", std::nullopt},
                    EntryCase{"FG", std::nullopt}, EntryCase{"1,000", std::nullopt}));

}  // namespace
}  // namespace kadrelle
