#pragma once

#include <string>

namespace CLI {
class App;
}

namespace kadrelle {

// The component commands: register and unregister the module Kadrelle.ocx in the per-user
// registry, print the type library as IDL text, and show the resources a module file carries.
class ComponentCommands {
 public:
  explicit ComponentCommands(CLI::App& app);
  // Runs the subcommand the command line chose, if it is one of these; the exit status, or -1.
  int run();

 private:
  std::string module() const;
  int resources();

  CLI::App* register_;
  CLI::App* unregister_;
  CLI::App* typelib_;
  CLI::App* resources_;
  std::string module_;
};

}  // namespace kadrelle
