#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/IniSettingsStore.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

class IniSettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              ("kadrelle-ini-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void write(const std::string& content, const std::string& app = "Kadrelle") {
    std::ofstream out(folder_ / (app + ".ini"), std::ios::binary);
    out << content;
  }

  std::string get(const std::string& section, const std::string& key,
                  const std::string& app = "Kadrelle") {
    IniSettingsStore store(folder_);
    return store.GetSetting(app, section, key, "default");
  }

  fs::path folder_;
};

TEST_F(IniSettingsStoreTest, FileIsNamedAfterTheApplication) {
  IniSettingsStore store(folder_);
  EXPECT_EQ(store.fileFor("Kadrelle"), folder_ / "Kadrelle.ini");
  write("[1]\nDebug=6\n", "Other");
  EXPECT_EQ(get("1", "Debug"), "default");
  EXPECT_EQ(get("1", "Debug", "Other"), "6");
}

// A missing, empty, binary, oversized or unopenable file never stops the reader.
TEST_F(IniSettingsStoreTest, UnreadableFilesGiveTheDefault) {
  EXPECT_EQ(get("1", "Debug"), "default");
  EXPECT_EQ(IniSettingsStore(folder_ / "not" / "there").GetSetting("Kadrelle", "1", "Debug", "d"),
            "d");
  write("");
  EXPECT_EQ(get("1", "Debug"), "default");
  write(std::string("[1]\nDebug=6\n\0\x01\xff", 15));
  EXPECT_EQ(get("1", "Debug"), "default");
  write("[1]\nDebug=6\n" + std::string(IniSettingsStore::kMaxFileSize, ';'));
  EXPECT_EQ(get("1", "Debug"), "default");
  fs::remove(folder_ / "Kadrelle.ini");
  fs::create_directories(folder_ / "Kadrelle.ini");
  EXPECT_EQ(get("1", "Debug"), "default");
}

TEST_F(IniSettingsStoreTest, FileOfExactlyTheLimitIsRead) {
  std::string content = "[1]\nDebug=6\n;";
  content += std::string(IniSettingsStore::kMaxFileSize - content.size(), 'x');
  ASSERT_EQ(content.size(), IniSettingsStore::kMaxFileSize);
  write(content);
  EXPECT_EQ(get("1", "Debug"), "6");
}

TEST_F(IniSettingsStoreTest, ReadsAFileWrittenOnWindows) {
  write("\xEF\xBB\xBF[1]\r\n\r\nDebug=6\r\n");
  EXPECT_EQ(get("1", "Debug"), "6");
}

TEST_F(IniSettingsStoreTest, DefaultFolderFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  write("[1]\nDebug=3\n");
  IniSettingsStore store;
  EXPECT_EQ(store.folder(), folder_);
  EXPECT_EQ(store.GetSetting("Kadrelle", "1", "Debug", "d"), "3");
  ::setenv("XDG_CONFIG_HOME", "", 1);
  const char* home = std::getenv("HOME");
  if (home && *home) {
    EXPECT_EQ(userConfigFolder(), fs::path(home) / ".config");
  }
  if (saved) {
    ::setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

// The INI grammar itself, on text.
struct LookupCase {
  const char* name;
  std::string text;
  std::optional<std::string> value;  // of section "1", key "Debug"
};

void PrintTo(const LookupCase& c, std::ostream* os) {
  *os << c.name;
}

class IniLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(IniLookup, FindsTheSetting) {
  EXPECT_EQ(IniSettingsStore::lookup(GetParam().text, "1", "Debug"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Ini, IniLookup,
    testing::Values(LookupCase{"Plain", "[1]\nDebug=6\n", "6"},
                    LookupCase{"SectionCase", "[A]\nx=1\n[1]\nDEBUG=7", "7"},
                    LookupCase{"KeyCaseAndBlanks", "[1]\n  dEbUg  =  7 8  \n", "7 8"},
                    LookupCase{"SectionNameBlanks", "[ 1 ]\nDebug=2\n", "2"},
                    LookupCase{"CommentsAndBlankLines",
                               "; Debug=1\n# Debug=2\n\n[1]\n\n; Debug=3\n  # Debug=4\nDebug=5\n",
                               "5"},
                    LookupCase{"EmptyValue", "[1]\nDebug=\n", ""},
                    LookupCase{"ValueWithEquals", "[1]\nDebug=a=b\n", "a=b"},
                    LookupCase{"FirstOfDuplicates", "[1]\nDebug=1\nDebug=2\n", "1"},
                    LookupCase{"SectionRepeated", "[1]\nx=0\n[2]\nDebug=9\n[1]\nDebug=4\n", "4"},
                    LookupCase{"OtherSection", "[2]\nDebug=6\n", std::nullopt},
                    LookupCase{"BeforeAnySection", "Debug=6\n[1]\n", std::nullopt},
                    LookupCase{"SectionPrefixIsNotTheSection", "[10]\nDebug=6\n", std::nullopt},
                    LookupCase{"KeyPrefixIsNotTheKey", "[1]\nDebugLevel=6\n", std::nullopt},
                    LookupCase{"LineWithoutEquals", "[1]\nDebug\n", std::nullopt},
                    LookupCase{"UnclosedSectionHeader", "[1\nDebug=6\n", std::nullopt}),
    [](const testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kadrelle
