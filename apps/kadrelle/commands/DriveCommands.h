#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kadrelle {

struct DriveChoice;

// The drive commands for shells and scripts: params, get, set, lock and setting. Each works on the
// user's drive session (see DriveSession) and prints text, or JSON with --json.
class DriveCommands {
 public:
  // Adds the subcommands to the program's command line.
  // `json` is the program's --json flag, which these commands take too; `drive` is the drive they
  // work on, chosen by the program's options.
  DriveCommands(CLI::App& app, bool& json, const DriveChoice& drive);
  // Runs the subcommand the command line chose, if it is one of these; the exit status, or -1.
  int run();

 private:
  int params();
  int changedParams();
  int get();
  int set();
  int lock();
  int setting();

  const DriveChoice& drive_;
  CLI::App* params_;
  CLI::App* get_;
  CLI::App* set_;
  CLI::App* lock_;
  CLI::App* setting_;
  bool& json_;
  bool changed_ = false;
  std::string parameter_;
  std::vector<std::string> parameters_;  // get
  bool all_ = false;
  std::string value_;
  std::string level_;
  std::string settingName_;
  std::string settingValue_;
};

}  // namespace kadrelle
