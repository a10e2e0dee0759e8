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

class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QStackedWidget;

namespace kadrelle::gui {
class TrendView;
}

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

  // Runs the drive for the given time in steps of the window's timer, as the timer would.
  void run(double seconds);
  TrendView* trend() const { return trend_; }
  // Compares the parameter-set file with the drive in a dialog whose checked rows can be sent.
  void openParameterSet(const QString& path);

 private:
  void addPage(const QString& title, std::unique_ptr<Form> form);
  void watch(Form& form);
  void log(const QString& line);
  void setDisplayMode(int mode);
  // A drive on the network: pumps its results and shows its connection in the status bar.
  void watchNetworkDrive();
  void watchEntries(Kadrelle& k);
  void showLockNotes();
  // Why the control's parameter cannot be changed now, as the other hosts say it ("" when it can).
  std::string whyLocked(Kadrelle& k) const;
  void tell(Kadrelle& k, const std::string& message);
  void tell(const QString& message);
  void addFileMenu();
  void addDefaultMarks(Form& form, QWidget& view);
  void showDefaultMarks();
  void addTrendDock(QMenu* view);
  void tick(double seconds);

  DriveSession session_;
  TraceChannel trace_;
  qt::QtToolkit toolkit_;
  qt::QtEditBoxFactory editBoxes_;
  std::vector<std::unique_ptr<Form>> forms_;
  std::vector<Connection> connections_;
  QListWidget* pageList_ = nullptr;  // the pages' names
  QStackedWidget* pages_ = nullptr;
  QListWidget* events_ = nullptr;
  std::vector<QLabel*> lockNotes_;  // one a page
  struct DefaultMark {
    Kadrelle* control;
    const ParameterInfo* info;
    QLabel* mark;
  };
  std::vector<DefaultMark> defaultMarks_;
  TrendView* trend_ = nullptr;
  double elapsed_ = 0;  // seconds the drive has run in this window
};

}  // namespace kadrelle::gui
