#include "SetCommands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Columns.h"
#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/Text.h"
#include "session/DriveSession.h"
#include "session/ParameterSet.h"

namespace kadrelle {

namespace {

using Json = nlohmann::ordered_json;

std::string units(const SetEntryComparison& row) {
  return row.info && !row.info->text ? std::string(row.info->appUnits) : std::string();
}

}  // namespace

SetCommands::SetCommands(CLI::App& app, bool& json, const DriveChoice& drive)
    : drive_(drive), json_(json) {
  export_ = app.add_subcommand("export",
                               "Write the drive's parameter set (one parameter a line, values as "
                               "the drive shows them) to FILE, or to standard output");
  export_->add_option("file", file_, "The parameter-set file to write");

  diff_ = app.add_subcommand("diff",
                             "Compare a parameter-set file with the drive: exit status 0 when "
                             "equal, 1 when they differ, 2 on error");
  diff_->add_option("file", file_, "The parameter-set file")->required();
  diff_->add_flag("--json", json_, "Print JSON");

  apply_ = app.add_subcommand("apply",
                              "Write the values of a parameter-set file that differ from the "
                              "drive's, all or nothing, and save them");
  apply_->add_option("file", file_, "The parameter-set file")->required();
  apply_->add_option("--only", only_, "Apply only these parameters (keys or numbers)");
  apply_->add_flag("--dry-run", dryRun_, "Show what would change; write nothing");
  apply_->add_flag("--json", json_, "Print JSON");
}

int SetCommands::run() {
  if (*export_) return exportSet();
  if (*diff_) {
    try {
      return diff();
    } catch (const Error& e) {
      std::cerr << "kadrelle: " << e.description() << " (error " << e.number() << ")\n";
      return 2;
    }
  }
  if (*apply_) return apply();
  return -1;
}

int SetCommands::exportSet() {
  DriveSession session(drive_);
  session.awaitValues();
  const std::string text = exportParameterSet(session.parameters());
  if (file_.empty() || file_ == "-")
    std::cout << text;
  else
    writeFileAtomically(file_, text);
  return 0;
}

int SetCommands::diff() {
  const ParameterSet set = readParameterSet(file_);
  DriveSession session(drive_);
  session.awaitValues();
  const SetComparison comparison = compareParameterSet(session.parameters(), set);
  struct Count {
    SetEntryState state;
    const char* name;
  };
  constexpr Count counts[] = {
      {SetEntryState::Changed, "changed"},   {SetEntryState::Unchanged, "unchanged"},
      {SetEntryState::ReadOnly, "readOnly"}, {SetEntryState::Unknown, "unknown"},
      {SetEntryState::Invalid, "invalid"},   {SetEntryState::AboveLockLevel, "aboveLockLevel"}};
  if (json_) {
    Json rows = Json::array();
    for (const auto& row : comparison.entries) {
      if (row.state == SetEntryState::Unchanged) continue;
      Json j = {{"key", row.entry->key},
                {"name", row.info ? std::string(row.info->name) : std::string()},
                {"state", stateName(row.state)},
                {"file", row.fileText},
                {"drive", row.driveText},
                {"units", units(row)},
                {"line", row.entry->line}};
      if (!row.reason.empty()) j["reason"] = row.reason;
      rows.push_back(std::move(j));
    }
    Json summary = Json::object();
    for (const auto& c : counts) summary[c.name] = comparison.count(c.state);
    std::cout << Json{{"file", file_}, {"differences", rows}, {"counts", summary}}.dump(2) << '\n';
  } else {
    for (const auto& row : comparison.entries) {
      if (row.state == SetEntryState::Unchanged) continue;
      const std::string name = row.info ? std::string(row.info->name) : std::string();
      std::string line = padded(row.entry->key, 7) + padded(name, 30) + padded(row.fileText, 14) +
                         padded(row.driveText, 14) + padded(units(row), 8);
      line += row.state == SetEntryState::Changed
                  ? std::string()
                  : std::string(stateName(row.state)) + ": " + row.reason;
      std::cout << std::string(trim(line, " ")) << '\n';
    }
    std::string summary;
    for (const auto& c : counts) {
      const std::size_t n = comparison.count(c.state);
      if (n == 0 && c.state != SetEntryState::Changed) continue;
      summary +=
          (summary.empty() ? "" : ", ") + std::to_string(n) + " " + std::string(stateName(c.state));
    }
    std::cout << summary << '\n';
  }
  return comparison.equal() ? 0 : 1;
}

int SetCommands::apply() {
  const ParameterSet set = readParameterSet(file_);
  DriveSession session(drive_);
  session.awaitValues();
  const auto changes = applyParameterSet(session.parameters(), set, only_, dryRun_);
  if (!dryRun_ && !changes.empty()) session.save();
  if (json_) {
    Json rows = Json::array();
    for (const auto& c : changes)
      rows.push_back({{"key", c.info->key},
                      {"name", c.info->name},
                      {"before", c.before},
                      {"after", c.after},
                      {"units", c.info->text ? "" : c.info->appUnits}});
    std::cout << Json{{"dryRun", dryRun_}, {"changes", rows}}.dump(2) << '\n';
    return 0;
  }
  for (const auto& c : changes) {
    const std::string u = c.info->text || c.info->appUnits.empty()
                              ? std::string()
                              : " " + std::string(c.info->appUnits);
    std::cout << c.info->key << " " << c.info->name << ": " << c.before << u << " -> " << c.after
              << u << '\n';
  }
  std::cout << (changes.empty() ? "Nothing differs; nothing was written"
                : dryRun_       ? std::to_string(changes.size()) + " would change (dry run)"
                                : std::to_string(changes.size()) + " changed and saved")
            << '\n';
  return 0;
}

}  // namespace kadrelle
