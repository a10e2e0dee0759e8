#include "ParameterSetDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Error.h"
#include "session/Failure.h"

namespace kadrelle::gui {

namespace {
QString text(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
enum Column { Send, Key, Name, InFile, OnDrive, Units, Why, Columns };
}  // namespace

ParameterSetDialog::ParameterSetDialog(DriveSession& session, ParameterSet set, const QString& file,
                                       QWidget* parent)
    : QDialog(parent), session_(session), set_(std::move(set)) {
  setWindowTitle(tr("Parameter set %1").arg(file));
  auto* column = new QVBoxLayout(this);
  summary_ = new QLabel;
  summary_->setWordWrap(true);
  column->addWidget(summary_);
  table_ = new QTableWidget(0, Columns);
  table_->setHorizontalHeaderLabels({tr("Send"), tr("Key"), tr("Name"), tr("In the file"),
                                     tr("On the drive"), tr("Units"), tr("State")});
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  column->addWidget(table_);
  outcome_ = new QLabel;
  outcome_->setObjectName("outcome");
  outcome_->setWordWrap(true);
  outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(outcome_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  QPushButton* sendButton = buttons->addButton(tr("&Send checked"), QDialogButtonBox::ApplyRole);
  connect(sendButton, &QPushButton::clicked, this, [this] { send(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
  compare();
  resize(760, 420);
}

// The rows: every entry the drive does not already hold.
void ParameterSetDialog::compare() {
  const DriveParameters drive = session_.parameters();
  const SetComparison c = compareParameterSet(drive, set_);
  table_->setRowCount(0);
  for (const SetEntryComparison& e : c.entries) {
    if (e.state == SetEntryState::Unchanged) continue;
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto* send = new QTableWidgetItem;
    const bool sendable = e.state == SetEntryState::Changed;
    send->setFlags(sendable ? Qt::ItemIsUserCheckable | Qt::ItemIsEnabled : Qt::NoItemFlags);
    send->setCheckState(sendable ? Qt::Checked : Qt::Unchecked);
    table_->setItem(row, Send, send);
    table_->setItem(row, Key, new QTableWidgetItem(QString::fromStdString(e.entry->key)));
    table_->setItem(row, Name, new QTableWidgetItem(e.info ? text(e.info->name) : QString()));
    table_->setItem(row, InFile, new QTableWidgetItem(QString::fromStdString(e.fileText)));
    table_->setItem(row, OnDrive, new QTableWidgetItem(QString::fromStdString(e.driveText)));
    table_->setItem(row, Units, new QTableWidgetItem(e.info ? text(e.info->appUnits) : QString()));
    QString why = text(stateName(e.state));
    if (!e.reason.empty()) why += ": " + QString::fromStdString(e.reason);
    table_->setItem(row, Why, new QTableWidgetItem(why));
  }
  table_->resizeColumnsToContents();
  summary_->setText(tr("%1 changed, %2 unchanged, %3 read-only, %4 unknown to this drive, "
                       "%5 outside the range, %6 above the lock level.")
                        .arg(c.count(SetEntryState::Changed))
                        .arg(c.count(SetEntryState::Unchanged))
                        .arg(c.count(SetEntryState::ReadOnly))
                        .arg(c.count(SetEntryState::Unknown))
                        .arg(c.count(SetEntryState::Invalid))
                        .arg(c.count(SetEntryState::AboveLockLevel)));
}

std::vector<std::string> ParameterSetDialog::checkedKeys() const {
  std::vector<std::string> keys;
  for (int row = 0; row < table_->rowCount(); ++row)
    if (table_->item(row, Send)->checkState() == Qt::Checked)
      keys.push_back(table_->item(row, Key)->text().toStdString());
  return keys;
}

bool ParameterSetDialog::send() {
  const std::vector<std::string> keys = checkedKeys();
  if (keys.empty()) {
    outcome_->setText(tr("No row is checked: nothing was sent."));
    return false;
  }
  try {
    const auto written = applyParameterSet(session_.parameters(), set_, keys);
    session_.save();
    QStringList lines;
    for (const AppliedValue& v : written)
      lines << text(v.info->key) + " " + QString::fromStdString(v.before) + " → " +
                   QString::fromStdString(v.after);
    outcome_->setText(tr("Sent %1: %2").arg(written.size()).arg(lines.join(", ")));
    compare();
    return true;
  } catch (const std::exception& e) {
    outcome_->setText(tr("Nothing was sent: %1").arg(QString::fromStdString(failureText(e))));
    compare();
    return false;
  }
}

QString ParameterSetDialog::outcome() const {
  return outcome_->text();
}

}  // namespace kadrelle::gui
