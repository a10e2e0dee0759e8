#include "platform/FileIo.h"

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
#include <random>
#include <thread>

#include "platform/Error.h"

namespace kadrelle {
namespace {

namespace fs = std::filesystem;

class FileIo : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override {
    std::error_code ignored;  // a killed writer's temporary may still be going away
    fs::remove_all(dir, ignored);
  }
  static std::string get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Names in the folder other than the expected ones (left-over temporaries).
  std::vector<std::string> strays(std::initializer_list<std::string> expected) const {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string n = e.path().filename().string();
      if (std::find(expected.begin(), expected.end(), n) == expected.end()) found.push_back(n);
    }
    return found;
  }

  // One folder per test; a parameterised test's name holds a "/".
  const fs::path dir = [] {
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    return fs::temp_directory_path() /
           ("kadrelle-fileio-" + std::to_string(::getpid()) + "-" + name);
  }();
};

struct Save {
  const char* kind;
  const char* error;  // part of the message, "" when it saves
  mode_t mode;        // of the saved file, when it saves
};

class Saves : public FileIo, public testing::WithParamInterface<Save> {
 protected:
  // Sets the scene for a kind of save and gives the path to save to.
  fs::path target(const std::string& kind) const {
    if (kind == "FullDisk") return "/dev/full";
    if (kind == "MissingFolder") return dir / "none" / "f";
    if (kind == "Symlink") {
      std::ofstream(dir / "real") << "old";
      fs::permissions(dir / "real", static_cast<fs::perms>(0640));
      fs::create_symlink("real", dir / "link");
      return dir / "link";
    }
    if (kind == "OverSizeLimit") {  // a write that fails half-way
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{5000, RLIM_INFINITY};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::ofstream(dir / "f") << "old";
    const int mode = kind == "Private" ? 0600 : kind == "ReadOnly" ? 0444 : 0644;
    fs::permissions(dir / "f", static_cast<fs::perms>(mode));
    return dir / "f";
  }
};

// A save replaces the whole file, keeping the old one as the backup, or is refused with the file
// and the reason named, the old file whole and no temporary left.
TEST_P(Saves, ReplaceTheFileWholeOrRefuseNamingTheFileAndReason) {
  const Save& s = GetParam();
  const fs::path target = this->target(s.kind);
  const std::string before = fs::is_regular_file(target) ? get(target) : "";
  const bool link = fs::is_symlink(target);
  const std::string content(100000, 'n');
  try {
    writeFileAtomically(target, content, true);
    EXPECT_STREQ(s.error, "") << "saved";
    EXPECT_EQ(get(target), content);
    EXPECT_EQ(get(fs::canonical(target).string() + ".bak"), before);
    EXPECT_EQ(fs::status(target).permissions(), static_cast<fs::perms>(s.mode));
  } catch (const Error& e) {
    EXPECT_STRNE(s.error, "") << e.description();
    EXPECT_EQ(e.number(), Error::kFileAccess);
    EXPECT_NE(e.description().find(target.string()), std::string::npos) << e.description();
    EXPECT_NE(e.description().find(s.error), std::string::npos) << e.description();
    if (fs::is_regular_file(target)) {
      EXPECT_EQ(get(target), before);
    }
  }
  rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
  ::setrlimit(RLIMIT_FSIZE, &unlimited);
  EXPECT_EQ(fs::is_symlink(target), link);
  if (target.parent_path() == dir) {
    EXPECT_EQ(strays({"f", "f.bak", "link", "real", "real.bak"}), std::vector<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, Saves,
                         testing::Values(Save{"Private", "", 0600},
                                         Save{"ReadOnly", "read-only", 0},
                                         Save{"Symlink", "", 0640},
                                         Save{"FullDisk", "No space left on device", 0},
                                         Save{"MissingFolder", "No such file or directory", 0},
                                         Save{"OverSizeLimit", "File too large", 0}),
                         [](const auto& info) { return std::string(info.param.kind); });

// Runs `body` in a child process until it is killed or ends.
pid_t spawn(const std::function<void()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  return pid;
}

TEST_F(FileIo, ConcurrentWritersAndKillsLeaveOnlyCompleteFiles) {
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
  int s1 = 0, s2 = 0;
  ::waitpid(w1, &s1, 0);
  ::waitpid(w2, &s2, 0);
  EXPECT_EQ(s1, 0);
  EXPECT_EQ(s2, 0);
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

TEST_F(FileIo, ASaveWithoutBackupKeepsNoCopy) {
  std::ofstream(dir / "f") << "old";
  writeFileAtomically(dir / "f", "new");
  EXPECT_EQ(get(dir / "f"), "new");
  EXPECT_EQ(strays({"f"}), std::vector<std::string>{});
}

TEST_F(FileIo, CappedReadRefusesLargerFilesAndNamesMissingOnes) {
  std::ofstream(dir / "f") << "12345";
  EXPECT_EQ(readFileCapped(dir / "f", 5), "12345");
  const std::pair<fs::path, int> refused[] = {{dir / "f", Error::kBadFileFormat},
                                              {dir / "none", Error::kFileNotFound},
                                              {dir, Error::kFileAccess}};
  for (const auto& [file, number] : refused) {
    try {
      readFileCapped(file, 4);
      ADD_FAILURE() << file;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), number) << e.description();
      EXPECT_EQ(e.description().rfind(file.string(), 0), 0u) << e.description();
    }
  }
}

}  // namespace
}  // namespace kadrelle
