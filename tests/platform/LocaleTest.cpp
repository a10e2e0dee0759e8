// Number text under a host that switched to a comma-decimal locale: in C++ (std::locale::global)
// and in C (setlocale, as many GUI programs do). Nothing may change.
#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>

#include "platform/NumberFormat.h"
#include "platform/Variant.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

void expectNumberTextUnchanged() {
  EXPECT_EQ(parseNumber("2.5"), 2.5);
  EXPECT_EQ(parseNumber("12.75"), 12.75);
  EXPECT_EQ(parseNumber("2,5"), 25.0);  // a thousands separator, as Basic reads it
  EXPECT_EQ(parseNumber("-1,234.5E1"), -12345.0);
  EXPECT_EQ(CStr(1.5), "1.5");
  EXPECT_EQ(CStr(654322.23456f), "654322.3");
  EXPECT_EQ(CStr(2.5e-7), "2.5E-07");
  EXPECT_EQ(CStr(Currency::fromScaled(15000)), "1.5");
  EXPECT_EQ(NumberFormat("#,##0.00").format(1234.5), "1,234.50");
  EXPECT_EQ(NumberFormat("0.00E+00").format(1234.5), "1.23E+03");
}

TEST(Locale, CommaDecimalCppLocaleChangesNoNumberText) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  expectNumberTextUnchanged();
  std::locale::global(previous);
}

// The C library in German; when the system has no such locale, one is built with localedef into
// a temporary folder (LOCPATH).
TEST(Locale, CommaDecimalCLocaleChangesNoNumberText) {
  const auto german = [] {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
      if (std::setlocale(LC_ALL, name)) return true;
    return false;
  };
  const fs::path folder =
      fs::temp_directory_path() / ("kadrelle-locale-" + std::to_string(::getpid()));
  bool active = german();
  const std::string make =
      "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
  std::error_code ec;
  if (!active) fs::create_directories(folder, ec);
  if (!active && std::system(make.c_str()) == 0) {
    ::setenv("LOCPATH", folder.c_str(), 1);
    active = german();
  }
  if (active) {
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    expectNumberTextUnchanged();
  }
  std::setlocale(LC_ALL, "C");
  if (fs::remove_all(folder, ec) > 0) ::unsetenv("LOCPATH");
  if (!active) GTEST_SKIP() << "no de_DE locale here, and localedef could not make one";
}

}  // namespace
}  // namespace kadrelle
