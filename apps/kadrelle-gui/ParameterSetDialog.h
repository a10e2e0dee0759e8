#pragma once

#include <QDialog>

#include "session/DriveSession.h"
#include "session/ParameterSet.h"

class QLabel;
class QTableWidget;

namespace kadrelle::gui {

// A parameter-set file against the drive: one row per value that differs or cannot be written,
// a check box on each row that can be sent (checked), and Send, which writes the checked rows
// (all or nothing) and says what changed or why nothing was written.
class ParameterSetDialog : public QDialog {
 public:
  ParameterSetDialog(DriveSession& session, ParameterSet set, const QString& file,
                     QWidget* parent = nullptr);

  QTableWidget* table() const { return table_; }
  // The keys of the checked rows.
  std::vector<std::string> checkedKeys() const;
  // Writes the checked rows; true when they were written. The outcome is shown in the dialog.
  bool send();
  QString outcome() const;

 private:
  void compare();

  DriveSession& session_;
  ParameterSet set_;
  QTableWidget* table_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* outcome_ = nullptr;
};

}  // namespace kadrelle::gui
