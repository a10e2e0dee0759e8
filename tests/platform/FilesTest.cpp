// Files: atomic saves, capped reads and the settings file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <thread>
#include <tuple>

#include "kadrelle_test/Checks.h"
#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/IniSettingsStore.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;
using test::throwsError;
using testing::HasSubstr;
using testing::StartsWith;
const auto get = test::readText;

// Runs `body` in a child process until it is killed or ends.
pid_t spawn(const std::function<void()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  return pid;
}

// One folder per test.
class Files : public testing::Test {
 protected:
  // Names in the folder other than the expected ones (left-over temporaries).
  std::vector<std::string> strays(std::initializer_list<std::string> expected) const {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string n = e.path().filename().string();
      if (std::find(expected.begin(), expected.end(), n) == expected.end()) found.push_back(n);
    }
    return found;
  }
  // Section "1", key "Debug" of the application's settings file of the given content.
  std::string debugAfter(const std::string& content, const std::string& app = "Kadrelle") {
    std::ofstream(dir / (app + ".ini"), std::ios::binary) << content;
    return IniSettingsStore(dir).GetSetting("Kadrelle", "1", "Debug", "default");
  }

  test::TempFolder temp{"kadrelle-files"};
  const fs::path dir = temp.path;
};

// A save replaces the whole file, keeping its mode and, when asked, the old file as the backup;
// or it is refused with the file and the reason named, the old file whole and no temporary left.
TEST_F(Files, SavesReplaceTheFileWholeOrAreRefusedNamingTheFileAndReason) {
  struct Save {
    const char* kind;
    const char* error;  // part of the message, "" when it saves
    int mode = 0;       // of the file before, and after a save
    bool backup = true;
  };
  for (const Save& s :
       {Save{"Private", "", 0600}, Save{"NoBackup", "", 0644, false},
        Save{"ReadOnly", "read-only", 0444}, Save{"Symlink", "", 0640},
        Save{"FullDisk", "No space left on device"},
        Save{"MissingFolder", "No such file or directory"},
        Save{"OverSizeLimit", "File too large", 0644}, Save{"NoName", "no file name"}}) {
    SCOPED_TRACE(s.kind);
    const std::string kind = s.kind;
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path target = kind == "NoName"          ? fs::path()
                            : kind == "FullDisk"      ? fs::path("/dev/full")
                            : kind == "MissingFolder" ? dir / "none" / "f"
                            : kind == "Symlink"       ? dir / "link"
                                                      : dir / "f";
    if (target.parent_path() == dir) {
      const fs::path real = kind == "Symlink" ? dir / "real" : target;
      std::ofstream(real) << "old";
      fs::permissions(real, static_cast<fs::perms>(s.mode));
      if (real != target) fs::create_symlink("real", target);
    }
    if (kind == "OverSizeLimit") {  // a write that fails half-way
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{5000, RLIM_INFINITY};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    const std::string before = fs::is_regular_file(target) ? get(target) : "";
    const bool link = fs::is_symlink(target);
    const std::string content(100000, 'n');
    try {
      s.backup ? writeFileAtomically(target, content, true) : writeFileAtomically(target, content);
      EXPECT_STREQ(s.error, "") << "saved";
      EXPECT_EQ(get(target), content);
      const fs::path backup = fs::canonical(target).string() + ".bak";
      EXPECT_EQ(fs::exists(backup) ? get(backup) : "none", s.backup ? before : "none");
      EXPECT_EQ(fs::status(target).permissions(), static_cast<fs::perms>(s.mode));
    } catch (const Error& e) {
      EXPECT_STRNE(s.error, "") << e.description();
      EXPECT_EQ(e.number(), Error::kFileAccess);
      EXPECT_NE(e.description().find(target.string()), std::string::npos) << e.description();
      EXPECT_NE(e.description().find(s.error), std::string::npos) << e.description();
      EXPECT_EQ(fs::is_regular_file(target) ? get(target) : before, before);
    }
    rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_EQ(fs::is_symlink(target), link);
    if (target.parent_path() == dir) {
      EXPECT_EQ(strays({"f", "f.bak", "link", "real", "real.bak"}), std::vector<std::string>{});
    }
  }
}

TEST_F(Files, ConcurrentWritersAndKillsLeaveOnlyCompleteFiles) {
  const fs::path f = dir / "f";
  const std::string a(30000, 'a'), b(50000, 'b');
  std::ofstream(f) << a;
  std::ofstream(dir / "f.bak") << b;
  auto complete = [&](const std::string& s) { return s == a || s == b; };

  // Two programs saving the same file over and over, while it is read.
  const pid_t w1 = spawn([&] {
    for (int i = 0; i < 60; ++i) writeFileAtomically(f, a, true);
  });
  const pid_t w2 = spawn([&] {
    for (int i = 0; i < 60; ++i) writeFileAtomically(f, b, true);
  });
  for (int status; ::waitpid(w1, &status, WNOHANG) == 0;) EXPECT_TRUE(complete(get(f)));
  for (pid_t w : {w1, w2}) {
    int status = 0;
    ::waitpid(w, &status, 0);
    EXPECT_EQ(status, 0);
  }
  EXPECT_TRUE(complete(get(f)));
  EXPECT_TRUE(complete(get(dir / "f.bak")));
  EXPECT_EQ(strays({"f", "f.bak"}), std::vector<std::string>{});

  // A program killed at a random moment of saving.
  std::mt19937 random(12345);
  pid_t saver = 0;
  for (int round = 0; round < 20; ++round) {
    saver = spawn([&] {
      for (int i = 0;; ++i) writeFileAtomically(f, i % 2 ? a : b, true);
    });
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    ::kill(saver, SIGKILL);
    ::waitpid(saver, nullptr, 0);
    ASSERT_TRUE(complete(get(f))) << "round " << round;
    ASSERT_TRUE(complete(get(dir / "f.bak"))) << "round " << round;
  }
  // What killed savers left goes at the next save; a running writer's temporary stays.
  auto temporary = [](pid_t pid, const char* kind) {
    return ".f." + std::to_string(pid) + "-0badcafe." + kind;
  };
  const std::string running = temporary(::getpid(), "tmp");
  for (const std::string& name : {temporary(saver, "tmp"), temporary(saver, "bak"), running})
    std::ofstream(dir / name) << "x";
  writeFileAtomically(f, a, true);
  EXPECT_EQ(strays({"f", "f.bak", running}), std::vector<std::string>{});
}

// Four programs each adding one to a number in the file, many times: under the file's lock none
// writes back a number another has replaced since it read.
TEST_F(Files, LockedUpdatesByConcurrentProgramsLoseNothing) {
  const fs::path f = dir / "count";
  constexpr int kWriters = 4, kRounds = 50;
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.push_back(spawn([&] {
      for (int i = 0; i < kRounds; ++i)
        updateFileAtomically(f, 100, [](const std::optional<std::string>& now) {
          return std::to_string((now ? std::stoi(*now) : 0) + 1);
        });
    }));
  for (pid_t w : writers) {
    int status = 0;
    ::waitpid(w, &status, 0);
    EXPECT_EQ(status, 0);
  }
  EXPECT_EQ(get(f), std::to_string(kWriters * kRounds));
  // Returning no content leaves the file as it is.
  updateFileAtomically(f, 100, [](const std::optional<std::string>&) { return std::nullopt; });
  EXPECT_EQ(get(f), std::to_string(kWriters * kRounds));
}

// A FIFO with no writer is refused at once, not waited on.
TEST_F(Files, CappedReadRefusesLargerFilesAndNamesMissingOnesAndAllButRegularFiles) {
  std::ofstream(dir / "f") << "12345";
  EXPECT_EQ(readFileCapped(dir / "f", 5), "12345");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  using R = std::pair<fs::path, int>;
  for (const R& r : {R{dir / "f", Error::kBadFileFormat}, R{dir / "none", Error::kFileNotFound},
                     R{dir, Error::kFileAccess}, R{dir / "fifo", Error::kFileAccess}})
    EXPECT_THAT([&] { readFileCapped(r.first, 4); },
                throwsError(r.second, StartsWith(r.first.string())));
}

// The file is named after the application; a missing, empty, binary, oversized or unopenable
// file never stops the reader, and one of exactly the size limit is read.
TEST_F(Files, SettingsComeFromTheApplicationsFileOrAreTheDefault) {
  EXPECT_EQ(IniSettingsStore(dir).fileFor("Kadrelle"), dir / "Kadrelle.ini");
  EXPECT_EQ(debugAfter("[1]\nDebug=6\n", "Other"), "default");
  EXPECT_EQ(IniSettingsStore(dir).GetSetting("Other", "1", "Debug", "d"), "6");
  EXPECT_EQ(IniSettingsStore(dir / "not" / "there").GetSetting("Kadrelle", "1", "Debug", "d"), "d");
  EXPECT_EQ(debugAfter(""), "default");
  EXPECT_EQ(debugAfter(std::string("[1]\nDebug=6\n\0\x01\xff", 15)), "default");
  EXPECT_EQ(debugAfter("[1]\nDebug=6\n" + std::string(IniSettingsStore::kMaxFileSize, ';')),
            "default");
  const std::string head = "[1]\nDebug=6\n;";
  EXPECT_EQ(debugAfter(head + std::string(IniSettingsStore::kMaxFileSize - head.size(), 'x')), "6");
  EXPECT_EQ(debugAfter("\xEF\xBB\xBF[1]\r\n\r\nDebug=6\r\n"), "6");  // written on Windows
  fs::remove(dir / "Kadrelle.ini");
  fs::create_directories(dir / "Kadrelle.ini");
  EXPECT_EQ(IniSettingsStore(dir).GetSetting("Kadrelle", "1", "Debug", "d"), "d");
}

TEST_F(Files, SettingsFolderFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";  // unset and empty mean the same
  ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  debugAfter("[1]\nDebug=3\n");
  IniSettingsStore store;
  EXPECT_EQ(store.folder(), dir);
  EXPECT_EQ(store.GetSetting("Kadrelle", "1", "Debug", "d"), "3");
  ::setenv("XDG_CONFIG_HOME", "", 1);
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(userConfigFolder(), fs::path("/home/someone/.config"));
  ::unsetenv("HOME");
  EXPECT_EQ(userConfigFolder(), fs::path("."));  // the working folder, as a last resort
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

// A setting written back changes its own line only, or adds one where the reader finds it; the
// reader then gives the new value.
TEST(IniWrite, ChangesOnlyTheSettingsLine) {
  using W = std::pair<const char*, const char*>;
  for (const auto& [before, after] :
       {W{"", "[1]\nDebug=9\n"}, W{"\xEF\xBB\xBF", "\xEF\xBB\xBF[1]\nDebug=9\n"},
        W{"\xEF\xBB\xBF; c\r\n[1] ; note\r\n  debug = 4  \r\nx=1\r\n",
          "\xEF\xBB\xBF; c\r\n[1] ; note\r\n  debug = 9  \r\nx=1\r\n"},
        W{"[A]\r\nx=1", "[A]\r\nx=1\r\n\r\n[1]\r\nDebug=9\r\n"},
        W{"[ 1 ]\nx=1\n; tail\n\n[2]\n", "[ 1 ]\nx=1\nDebug=9\n; tail\n\n[2]\n"},
        W{"[1]\nx=1", "[1]\nx=1\nDebug=9\n"}, W{"[1]\nDebug=\n", "[1]\nDebug=9\n"},
        W{"[1]\n[2]\nDebug=4\n[1]\nDebug=5\n", "[1]\n[2]\nDebug=4\n[1]\nDebug=9\n"},
        W{"[1\nDebug=4\n", "[1\nDebug=4\n\n[1]\nDebug=9\n"},
        W{"[1]\nx=1\n[2]\n[1]\nz=3\n", "[1]\nx=1\nDebug=9\n[2]\n[1]\nz=3\n"}}) {
    EXPECT_EQ(IniSettingsStore::withSetting(before, "1", "Debug", "9"), after) << before;
    EXPECT_EQ(IniSettingsStore::lookup(after, "1", "Debug"), "9") << after;
  }
}

TEST_F(Files, SavedSettingsAreReadBackAndBadOnesRefused) {
  IniSettingsStore store(dir / "new");
  store.SaveSetting("Kadrelle", "Drive", "LockLevel", "2");
  store.SaveSetting("Kadrelle", "1", "Debug", "&H6");
  EXPECT_EQ(readFileCapped(dir / "new" / "Kadrelle.ini", 100),
            "[Drive]\nLockLevel=2\n\n[1]\nDebug=&H6\n");
  // Each refusal names the file, the setting and why; the file stays as it was.
  std::ofstream(dir / "Kadrelle.ini", std::ios::binary) << std::string("[1]\n\0", 5);
  using B = std::tuple<const char*, const char*, const char*, const char*>;
  for (const B& b : {B{"1", "Debug", "1\n[2]", "one line"}, B{"1", "a=b", "1", "name"},
                     B{"1", "[x", "1", "name"}, B{"1", "", "1", "name"}, B{"a]", "x", "1", "name"},
                     B{" 1", "x", "1", "name"}, B{"1", "Debug", "1", "NUL"}}) {
    const auto& [section, key, value, why] = b;
    EXPECT_THAT(
        [&] { IniSettingsStore(dir).SaveSetting("Kadrelle", section, key, value); },
        throwsError(testing::_, AllOf(StartsWith((dir / "Kadrelle.ini").string() +
                                                 ": cannot save " + section + "/" + key + ": "),
                                      HasSubstr(why))));
  }
  EXPECT_EQ(readFileCapped(dir / "Kadrelle.ini", 100), std::string("[1]\n\0", 5));
}

// The INI grammar itself, on text: the value of section "1", key "Debug".
TEST(IniLookup, FindsTheSetting) {
  using L = std::pair<const char*, std::optional<std::string>>;
  for (const auto& [text, value] :
       {// Names ignore case and blanks; the first of a section's keys counts.
        L{"[1]\nDebug=6\n", "6"}, L{"[A]\nx=1\n[1]\nDEBUG=7", "7"},
        L{"[1]\n  dEbUg  =  7 8  \n", "7 8"}, L{"[ 1 ]\nDebug=2\n", "2"},
        L{"; Debug=1\n# Debug=2\n\n[1]\n\n; Debug=3\n  # Debug=4\nDebug=5\n", "5"},
        L{"[1]\nDebug=\n", ""}, L{"[1]\nDebug=a=b\n", "a=b"}, L{"[1]\nDebug=1\nDebug=2\n", "1"},
        L{"[1]\nx=0\n[2]\nDebug=9\n[1]\nDebug=4\n", "4"},
        // Absent.
        L{"[2]\nDebug=6\n", std::nullopt}, L{"Debug=6\n[1]\n", std::nullopt},
        L{"[10]\nDebug=6\n", std::nullopt}, L{"[1]\nDebugLevel=6\n", std::nullopt},
        L{"[1]\nDebug\n", std::nullopt}, L{"[1\nDebug=6\n", std::nullopt}})
    EXPECT_EQ(IniSettingsStore::lookup(text, "1", "Debug"), value) << text;
}

}  // namespace
}  // namespace kadrelle
