#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kadrelle {

struct DriveChoice;

// The parameter-set commands: export, diff and apply. Each works on the user's drive session.
class SetCommands {
 public:
  // `json` is the program's --json flag, which these commands take too; `drive` is the drive they
  // work on, chosen by the program's options.
  SetCommands(CLI::App& app, bool& json, const DriveChoice& drive);
  // Runs the subcommand the command line chose, if it is one of these; the exit status, or -1.
  int run();

 private:
  int exportSet();
  int diff();
  int apply();

  const DriveChoice& drive_;
  CLI::App* export_;
  CLI::App* diff_;
  CLI::App* apply_;
  std::string file_;
  std::vector<std::string> only_;
  bool dryRun_ = false;
  bool& json_;
};

}  // namespace kadrelle
