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

// The C library in German for the test's life; when the system has no such locale, one is built
// with localedef into a temporary folder (LOCPATH).
class GermanCLocale {
 public:
  GermanCLocale() {
    if (trySet()) return;
    folder_ = fs::temp_directory_path() / ("kadrelle-locale-" + std::to_string(::getpid()));
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (folder_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    fs::create_directories(folder_);
    if (std::system(command.c_str()) != 0) return;
    ::setenv("LOCPATH", folder_.c_str(), 1);
    trySet();
  }
  ~GermanCLocale() {
    std::setlocale(LC_ALL, "C");
    if (!folder_.empty()) {
      ::unsetenv("LOCPATH");
      std::error_code ec;
      fs::remove_all(folder_, ec);
    }
  }
  bool active() const { return active_; }

 private:
  bool trySet() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name)) return active_ = true;
    }
    return false;
  }

  fs::path folder_;
  bool active_ = false;
};

TEST(Locale, CommaDecimalCLocaleChangesNoNumberText) {
  GermanCLocale german;
  if (!german.active()) GTEST_SKIP() << "no de_DE locale here, and localedef could not make one";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  expectNumberTextUnchanged();
}

}  // namespace
}  // namespace kadrelle
