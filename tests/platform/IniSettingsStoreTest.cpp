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

// Reads section "1", key "Debug" from a file of the given content in a fresh folder.
class IniFile : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder_); }
  void TearDown() override { fs::remove_all(folder_); }
  std::string debugAfter(const std::string& content, const std::string& app = "Kadrelle") {
    std::ofstream(folder_ / (app + ".ini"), std::ios::binary) << content;
    return IniSettingsStore(folder_).GetSetting("Kadrelle", "1", "Debug", "default");
  }

  const fs::path folder_ =
      fs::temp_directory_path() / ("kadrelle-ini-" + std::to_string(::getpid()) + "-" +
                                   testing::UnitTest::GetInstance()->current_test_info()->name());
};

// The file is named after the application; a missing, empty, binary, oversized or unopenable
// file never stops the reader, and one of exactly the size limit is read.
TEST_F(IniFile, ReadsTheApplicationsFileOrGivesTheDefault) {
  EXPECT_EQ(IniSettingsStore(folder_).fileFor("Kadrelle"), folder_ / "Kadrelle.ini");
  EXPECT_EQ(debugAfter("[1]\nDebug=6\n", "Other"), "default");
  EXPECT_EQ(IniSettingsStore(folder_).GetSetting("Other", "1", "Debug", "d"), "6");
  EXPECT_EQ(IniSettingsStore(folder_ / "not" / "there").GetSetting("Kadrelle", "1", "Debug", "d"),
            "d");
  EXPECT_EQ(debugAfter(""), "default");
  EXPECT_EQ(debugAfter(std::string("[1]\nDebug=6\n\0\x01\xff", 15)), "default");
  EXPECT_EQ(debugAfter("[1]\nDebug=6\n" + std::string(IniSettingsStore::kMaxFileSize, ';')),
            "default");
  const std::string head = "[1]\nDebug=6\n;";
  EXPECT_EQ(debugAfter(head + std::string(IniSettingsStore::kMaxFileSize - head.size(), 'x')), "6");
  EXPECT_EQ(debugAfter("\xEF\xBB\xBF[1]\r\n\r\nDebug=6\r\n"), "6");  // written on Windows
  fs::remove(folder_ / "Kadrelle.ini");
  fs::create_directories(folder_ / "Kadrelle.ini");
  EXPECT_EQ(IniSettingsStore(folder_).GetSetting("Kadrelle", "1", "Debug", "d"), "d");
}

TEST_F(IniFile, DefaultFolderFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  debugAfter("[1]\nDebug=3\n");
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

// The INI grammar itself, on text: the value of section "1", key "Debug".
TEST(IniLookup, FindsTheSetting) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"[1]\nDebug=6\n", "6"},
      {"[A]\nx=1\n[1]\nDEBUG=7", "7"},
      {"[1]\n  dEbUg  =  7 8  \n", "7 8"},
      {"[ 1 ]\nDebug=2\n", "2"},
      {"; Debug=1\n# Debug=2\n\n[1]\n\n; Debug=3\n  # Debug=4\nDebug=5\n", "5"},
      {"[1]\nDebug=\n", ""},
      {"[1]\nDebug=a=b\n", "a=b"},
      {"[1]\nDebug=1\nDebug=2\n", "1"},
      {"[1]\nx=0\n[2]\nDebug=9\n[1]\nDebug=4\n", "4"},
      {"[2]\nDebug=6\n", std::nullopt},
      {"Debug=6\n[1]\n", std::nullopt},
      {"[10]\nDebug=6\n", std::nullopt},
      {"[1]\nDebugLevel=6\n", std::nullopt},
      {"[1]\nDebug\n", std::nullopt},
      {"[1\nDebug=6\n", std::nullopt},
  };
  for (const auto& [text, value] : cases)
    EXPECT_EQ(IniSettingsStore::lookup(text, "1", "Debug"), value) << text;
}

}  // namespace
}  // namespace kadrelle
