#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "host/Form.h"
#include "platform/DebugChannel.h"
#include "qt/QtToolkit.h"
#include "session/DriveSession.h"

class QListWidget;
class QPlainTextEdit;
class QTabWidget;

namespace kadrelle::gui {

// Trace lines for the trace dock.
class TraceChannel : public DebugChannel {
 public:
  void Output(std::string_view line) override;
  QPlainTextEdit* view = nullptr;
};

// The drive-configuration window: the user's simulated drive, its parameter groups (or a form
// file) as pages of controls, the lock level and display mode in the toolbar, the event log and
// the trace in docks. Committed values go to the drive's parameter file at once.
class MainWindow : public QMainWindow {
 public:
  // `drive` chooses the drive (the user's simulated one unless it names one on the network).
  explicit MainWindow(std::optional<std::filesystem::path> formFile, const DriveChoice& drive = {});
  ~MainWindow() override;

  // The pages' forms, first page first.
  std::vector<Form*> forms() const;

  // A page of controls, one per parameter of a group, bound to the drive.
  static void fillGroupPage(Form& form, ParameterGroup group, DriveSession& drive);

 private:
  void addPage(const QString& title, std::unique_ptr<Form> form);
  void watch(Form& form);
  void log(const QString& line);
  void setDisplayMode(int mode);
  // A drive on the network: pumps its results and shows its connection in the status bar.
  void watchNetworkDrive();

  DriveSession session_;
  TraceChannel trace_;
  qt::QtToolkit toolkit_;
  qt::QtEditBoxFactory editBoxes_;
  std::vector<std::unique_ptr<Form>> forms_;
  std::vector<Connection> connections_;
  QTabWidget* pages_ = nullptr;
  QListWidget* events_ = nullptr;
};

}  // namespace kadrelle::gui
