// The kadrelle-gui window on a drive of its own (fresh user folders): what it says of entries
// and locked pages, the marks beside values not at their default, a parameter set's differences
// sent row by row, and the trend.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "MainWindow.h"
#include "ParameterSetDialog.h"
#include "TrendView.h"
#include "brommet/ParameterCatalog.h"
#include "qt/QtToolkit.h"

using namespace kadrelle;

class GuiTest : public QObject {
  Q_OBJECT
  QTemporaryDir home_;

  // The control of a parameter, its page shown.
  static Kadrelle& control(gui::MainWindow& w, ParameterNumbers number) {
    for (int page = 0; Form * form : w.forms()) {
      for (std::size_t i = 0; i < form->size(); ++i) {
        if (form->control(i).get_Parameter() != number) continue;
        w.findChild<QListWidget*>("pages")->setCurrentRow(page);
        return form->control(i);
      }
      ++page;
    }
    throw std::runtime_error("no control");
  }
  static void enter(Kadrelle& k, const char* text) {
    QWidget* box = qt::QtToolkit::widgetOf(k.children().editBox);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
  }

 private Q_SLOTS:
  void initTestCase() {
    qputenv("XDG_DATA_HOME", home_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
  }

  void entriesLocksAndMarks() {
    gui::MainWindow w(std::nullopt);
    w.resize(800, 600);  // every page's name whole, and the page's controls, at a small size
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* pages = w.findChild<QListWidget*>("pages");
    for (int i = 0; i < pages->count(); ++i)
      QVERIFY(pages->viewport()->rect().contains(pages->visualItemRect(pages->item(i))));
    const auto* page = w.findChild<QStackedWidget*>()->currentWidget()->findChild<QScrollArea*>();
    QCOMPARE(page->horizontalScrollBar()->maximum(), 0);
    QStringList notes;  // each page with locked values says which level unlocks them
    for (const QLabel* note : w.findChildren<QLabel*>("lockNote"))
      if (!note->isHidden()) notes << note->text();
    QVERIFY(
        notes.contains("8 of these values are locked at this level; lock level 2 (engineer) "
                       "unlocks them (Lock level in the toolbar)."));
    Kadrelle& speed = control(w, param::SpeedLimit);
    QWidget* box = qt::QtToolkit::widgetOf(speed.children().editBox);
    enter(speed, "4");
    const auto locked =
        "P1510 Speed Limit: needs lock level 1 (technician), the application holds 0 "
        "(operator)";  // as the other hosts say it
    QCOMPARE(w.statusBar()->currentMessage(), locked);
    QCOMPARE(box->toolTip(), locked);
    w.findChild<QComboBox*>("lockLevel")->setCurrentIndex(3);
    for (const QLabel* note : w.findChildren<QLabel*>("lockNote")) QVERIFY(note->isHidden());
    enter(speed, "abc");
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("P1510 Speed Limit: \"abc\" is not a number; the value stays 3000"));
    enter(speed, "10007000");
    const QString clamped = w.statusBar()->currentMessage();
    QVERIFY2(clamped.startsWith("P1510 Speed Limit: 10007000 RPM is above the maximum of"),
             qPrintable(clamped));
    QCOMPARE(box->toolTip(), clamped);
    QLabel* mark = nullptr;  // the speed limit's mark: shown while it is not at its default
    for (QLabel* m : w.findChildren<QLabel*>("notAtDefault"))
      if (m->parentWidget() == box->parentWidget()->parentWidget() &&
          qAbs(m->y() - box->parentWidget()->y()) < box->parentWidget()->height())
        mark = m;
    QVERIFY(mark && mark->isVisible());
    enter(speed, QByteArray::number(ParameterCatalog::find(param::SpeedLimit)->defaultValue *
                                    ParameterCatalog::find(param::SpeedLimit)->scale)
                     .constData());
    QVERIFY(mark->isHidden());
    w.run(90);  // the trend keeps the last minute
    for (const auto& s : w.trend()->series())
      QVERIFY(s.samples.back().first - s.samples.front().first <= gui::TrendView::kSpan);
  }

  // A drive of the user's description: a page for each group its parameters are in, no other.
  void describedDrivePages() {
    const std::string file = home_.filePath("mine.json").toStdString();
    std::ofstream(file) << R"({"format": "Kadrelle drive description", "version": 1, "parameters": [
      {"key": "P7", "number": 7, "name": "Gain", "range": [0, 50]},
      {"key": "P8", "number": 8, "name": "Reach", "group": "Limits", "range": [0, 9]}]})";
    gui::MainWindow w(std::nullopt, DriveChoice{{}, file});
    auto* pages = w.findChild<QListWidget*>("pages");
    QCOMPARE(pages->count(), 2);
    QCOMPARE(pages->item(0)->text(), QStringLiteral("Limits"));
    QCOMPARE(pages->item(1)->text(), QStringLiteral("Control"));
    QCOMPARE(w.forms()[1]->name(0), std::string("P7"));
  }

  // A set's differences: the changed rows checked, the others not sendable with their reason;
  // only the checked rows are written.
  void parameterSetRows() {
    DriveSession session;
    session.setLockLevel(1);
    const std::string file = home_.filePath("set.txt").toStdString();
    std::ofstream(file) << "P1510 = 4000\nP1313 = 1234\nP1010 = 5\nP9999 = 1\nP1314 = 1e12\n";
    gui::ParameterSetDialog dialog(session, readParameterSet(file), "set.txt");
    QStringList rows;
    for (int r = 0; r < dialog.table()->rowCount(); ++r)
      rows << dialog.table()->item(r, 1)->text() +
                  (dialog.table()->item(r, 0)->flags() & Qt::ItemIsUserCheckable ? "+" : "-");
    QCOMPARE(rows.join(' '), QStringLiteral("P1510+ P1313+ P1010- P9999- P1314-"));
    QCOMPARE(dialog.table()->item(2, 6)->text(),
             QStringLiteral("above the lock level: needs lock level 2"));
    dialog.table()->item(1, 0)->setCheckState(Qt::Unchecked);
    QVERIFY(dialog.send());
    QVERIFY2(dialog.outcome().startsWith("Sent 1: P1510"), qPrintable(dialog.outcome()));
    QCOMPARE(dialog.table()->item(0, 1)->text(), QStringLiteral("P1313"));  // compared again
  }
};

QTEST_MAIN(GuiTest)
#include "GuiTest.moc"
