// kadrelle: the terminal host for forms of Kadrelle controls bound to a simulated servo drive,
// Lua automation of those forms, and drive commands for shells and scripts.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "FormSession.h"
#include "commands/ComponentCommands.h"
#include "commands/DriveCommands.h"
#include "commands/SetCommands.h"
#include "lua/ScriptHost.h"
#include "modbus/ModbusServer.h"
#include "modbus/Registers.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "session/DriveSession.h"
#include "session/Failure.h"
#include "session/UserSettings.h"
#include "terminal/TerminalHost.h"

namespace {

using namespace kadrelle;

struct FormOptions {
  std::string form;
  std::string debug;
  std::optional<std::filesystem::path> formFile() const {
    if (form.empty()) return std::nullopt;
    return std::filesystem::path(form);
  }
  std::optional<std::string> debugMask() const {
    if (debug.empty()) return std::nullopt;
    return debug;
  }
};

void addDebugOption(CLI::App* sub, FormOptions& options) {
  // The control would take a mask it cannot read as 0 without a word: refuse it here instead.
  sub->add_option("--debug", options.debug,
                  "Trace mask for this run (overrides the Debug setting; -1 traces everything)")
      ->check([](const std::string& mask) -> std::string {
        return parseTraceMask(mask) ? std::string()
                                    : "the trace mask is a whole number (a bit mask; -1 traces "
                                      "everything), not \"" +
                                          mask + "\"";
      });
}

// A command line that cannot be read: what is wrong and the usage of the command it was for, on
// standard error, and status 2 as other programs give for misuse.
int usageError(const CLI::App& app, const CLI::ParseError& e) {
  const CLI::App* command = &app;
  for (const CLI::App* sub : app.get_subcommands()) command = sub;
  std::string usage = command->help();
  if (command != &app)  // a command's help names the command alone
    usage = replaceAll(usage, "Usage: " + command->get_name(),
                       "Usage: kadrelle " + command->get_name());
  std::cerr << "kadrelle: " << e.what() << "\n\n" << usage;
  return 2;
}

// --drive and --drive-description: the drive every command works on.
void addDriveOptions(CLI::App& app, DriveChoice& choice) {
  app.add_option("--drive", choice.address,
                 "The drive on the network to work on, modbus://HOST[:PORT][?unit=N] (default: the "
                 "user's simulated drive)")
      ->check([](const std::string& address) -> std::string {
        try {
          parseModbusAddress(address);
          return {};
        } catch (const Error& e) {
          return e.description();
        }
      });
  app.add_option("--drive-description", choice.description,
                 "Drive description (JSON) of the drive instead of the built-in one; without "
                 "--drive the simulated drive simulates that drive");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "kadrelle: parameter-edit controls on a simulated servo drive.\n"
      "Without a command it runs the terminal host on the built-in drive set-up page.",
      "kadrelle"};
  app.set_version_flag("--version", "kadrelle " KADRELLE_VERSION);
  app.require_subcommand(0, 1);
  // The program's options (--drive, --json, ...) are taken before the command as well as after
  // it: every command made below inherits this.
  app.fallthrough();
  bool json = false;
  app.add_flag("--json", json, "Print JSON (the commands that print values)");
  DriveChoice drive;
  addDriveOptions(app, drive);
  DriveCommands driveCommands(app, json, drive);
  ComponentCommands componentCommands(app);
  SetCommands setCommands(app, json, drive);

  FormOptions runOptions;
  bool printOnce = false;
  CLI::App* run = app.add_subcommand(
      "run",
      "Full-screen terminal host for a form of controls bound to the drive (the built-in drive "
      "set-up page without FORM); ? lists the keys, F4 is design mode (the focused control's "
      "properties). Without a terminal it prints the form once and exits.");
  run->add_option("form", runOptions.form, "Form file (JSON) to show instead of the built-in page");
  run->add_flag("--print", printOnce, "Print the form once instead of running full-screen");
  addDebugOption(run, runOptions);

  FormOptions scriptOptions;
  std::string scriptFile;
  CLI::App* script = app.add_subcommand(
      "script",
      "Run a Lua 5.4 script against a form bound to the drive (the built-in page without --form); "
      "a script error exits with status 1 and the script's file and line");
  script->add_option("file", scriptFile, "The Lua script")->required();
  script->add_option("--form", scriptOptions.form, "Form file (JSON) instead of the built-in page");
  addDebugOption(script, scriptOptions);

  int servePort = 1502;
  std::string serveAddress = "127.0.0.1", serveDescription;
  CLI::App* serve = app.add_subcommand(
      "serve", "Serve the simulated drive (or a drive description) over Modbus TCP until stopped");
  serve->add_option("--port", servePort, "TCP port (default 1502; 0: any free port)")
      ->check(CLI::Range(0, 65535));
  serve->add_option("--address", serveAddress,
                    "IPv4 address to listen on (default 127.0.0.1; 0.0.0.0: every network)");
  serve->add_option(
      "--drive-description", serveDescription,
      "Drive description (JSON) to serve, simulated from its defaults, instead of the built-in "
      "drive");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return usageError(app, e);
  }

  try {
    if (int status = driveCommands.run(); status >= 0) return status;
    if (int status = componentCommands.run(); status >= 0) return status;
    if (int status = setCommands.run(); status >= 0) return status;
    if (*serve) {
      if (serveDescription.empty()) serveDescription = drive.description.string();
      ModbusServer server(serveDescription.empty() ? DriveDescription::simulated()
                                                   : DriveDescription::load(serveDescription),
                          servePort, serveAddress);
      std::cout << "kadrelle: serving "
                << (serveDescription.empty() ? "the simulated drive" : serveDescription) << " on "
                << serveAddress << ":" << server.port() << " (Modbus TCP) until stopped"
                << std::endl;
      ModbusServer::waitForStop();
      return 0;
    }
    if (*script) {
      FormSession session(scriptOptions.formFile(), scriptOptions.debugMask(), true, drive);
      return runScript(scriptFile, session);
    }
    const bool print = printOnce || !::isatty(STDOUT_FILENO) || !::isatty(STDIN_FILENO);
    FormSession session(runOptions.formFile(), runOptions.debugMask(), print, drive);
    if (print) {
      session.drive().awaitValues();
      printForm(session);
      return 0;
    }
    return runTerminal(session);
  } catch (const CLI::ParseError& e) {  // a command's arguments that only it can check
    return usageError(app, e);
  } catch (const std::exception& e) {
    std::cerr << "kadrelle: " << failureText(e) << '\n';
    return 1;
  }
}
