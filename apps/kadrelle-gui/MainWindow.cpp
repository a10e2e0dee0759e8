#include "MainWindow.h"

#include "ParameterSetDialog.h"
#include "TrendView.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "brommet/ParameterCatalog.h"
#include "host/FormFile.h"
#include "platform/Error.h"
#include "platform/KeyCodes.h"
#include "qt/FormView.h"
#include "qt/KadrelleWidget.h"
#include "qt/ToolboxImage.h"
#include "session/DrivePage.h"
#include "session/Failure.h"
#include "session/FormBinder.h"
#include "session/Notices.h"
#include "session/ParameterGroups.h"

namespace kadrelle::gui {

void TraceChannel::Output(std::string_view line) {
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (view) view->appendPlainText(QString::fromStdString(text));
}

MainWindow::MainWindow(std::optional<std::filesystem::path> formFile, const DriveChoice& drive)
    : session_(drive) {
  setWindowTitle(QStringLiteral("Kadrelle drive configuration"));
  setWindowIcon(QIcon(QPixmap::fromImage(qt::toolboxImage())));
  qt::failureHandler = [this](const std::string& message) { log(QString::fromStdString(message)); };
  // A locked control's tool tip in the words the terminal host and the command line use.
  qt::lockWording = [this](Kadrelle& k) { return whyLocked(k); };

  auto* toolbar = addToolBar(QStringLiteral("Drive"));
  toolbar->setObjectName("drive");
  toolbar->addWidget(new QLabel(QStringLiteral(" Lock level ")));
  auto* lock = new QComboBox;
  lock->setObjectName("lockLevel");
  for (int level = 0; level <= 3; ++level)
    lock->addItem(QString::fromStdString(ParameterCatalog::lockLevelName(level)));
  lock->setCurrentIndex(session_.lockLevel());
  toolbar->addWidget(lock);
  connect(lock, &QComboBox::currentIndexChanged, this, [this](int level) {
    try {
      session_.setLockLevel(level);
      showLockNotes();
    } catch (const Error& e) {
      log(QString::fromStdString("Lock level: " + e.description()));
    }
  });
  toolbar->addWidget(new QLabel(QStringLiteral("  Display ")));
  auto* mode = new QComboBox;
  mode->setObjectName("displayMode");
  mode->addItems({"Application units", "Configuration", "Drive units"});
  toolbar->addWidget(mode);
  connect(mode, &QComboBox::currentIndexChanged, this, [this](int m) { setDisplayMode(m); });

  events_ = new QListWidget;
  auto* eventDock = new QDockWidget(QStringLiteral("Events"), this);
  eventDock->setObjectName("events");
  eventDock->setWidget(events_);
  addDockWidget(Qt::BottomDockWidgetArea, eventDock);

  auto* traceView = new QPlainTextEdit;
  traceView->setReadOnly(true);
  traceView->setMaximumBlockCount(5000);
  trace_.view = traceView;
  auto* traceDock = new QDockWidget(QStringLiteral("Trace"), this);
  traceDock->setObjectName("trace");
  traceDock->setWidget(traceView);
  addDockWidget(Qt::BottomDockWidgetArea, traceDock);
  // Lines come only when the user's Debug mask asks for them; the dock shows when it does.
  traceDock->setVisible(session_.settings().traceWanted());
  addFileMenu();
  // A closed dock comes back from the View menu.
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addAction(eventDock->toggleViewAction());
  view->addAction(traceDock->toggleViewAction());
  addTrendDock(view);

  // The pages' names in a list at the left, each whole however many pages there are.
  auto* central = new QWidget;
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(0, 0, 0, 0);
  pageList_ = new QListWidget;
  pageList_->setObjectName("pages");
  pageList_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  pageList_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  pageList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  pages_ = new QStackedWidget;
  row->addWidget(pageList_);
  row->addWidget(pages_, 1);
  connect(pageList_, &QListWidget::currentRowChanged, pages_, &QStackedWidget::setCurrentIndex);
  setCentralWidget(central);
  const Form::Services services{toolkit_, editBoxes_, session_.library(), session_.settings(),
                                trace_};
  // The controls take the window's font, as Qt's own widgets do.
  const auto windowFont = [] {
    FontRef font = makeFont();
    qt::copyFont(QApplication::font(), *font);
    return font;
  };
  if (formFile) {
    auto form = std::make_unique<Form>(services);
    form->ambientFont = windowFont;
    FormFile::load(*formFile, *form);
    bindForm(*form, session_, formFile->string());
    addPage(QString::fromStdString(formFile->filename().string()), std::move(form));
  } else {
    for (const GroupName& group : parameterGroups()) {
      auto form = std::make_unique<Form>(services);
      form->ambientFont = windowFont;
      fillParameterPage(*form, session_.catalog(), kWindowPageLayout, group.group);
      if (form->size() == 0) continue;  // a described drive may have no such parameters
      bindForm(*form, session_, "the " + std::string(group.name) + " page");
      addPage(QString::fromUtf8(group.name.data(), qsizetype(group.name.size())), std::move(form));
    }
  }

  // The drive runs: measured values follow it.
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] { tick(0.2); });
  timer->start(200);
  statusBar()->showMessage(QString::fromStdString("Drive file: " + session_.driveFile().string()));
  resize(1100, 660);
  resizeDocks({eventDock}, {110}, Qt::Vertical);  // the form keeps most of the window
  watchNetworkDrive();
}

void MainWindow::watchNetworkDrive() {
  ModbusLibrary* network = session_.network();
  if (!network) return;
  // The drive's results reach the controls here, on this thread, when the dispatcher has some.
  auto* results = new QSocketNotifier(session_.dispatcher()->fd(), QSocketNotifier::Read, this);
  connect(results, &QSocketNotifier::activated, this, [this] {
    try {
      session_.dispatcher()->pump();
    } catch (const std::exception& e) {  // a handler of the results failed: said, and on we go
      tell(QString::fromStdString(failureText(e)));
    }
  });
  auto* state = new QLabel;
  state->setObjectName("connection");
  statusBar()->addPermanentWidget(state);
  auto show = [this, state] {
    const QString text = QString::fromStdString(session_.connectionText());
    state->setText(text);
    log(text);
  };
  connections_.push_back(network->ConnectionChanged.connect(show));
  state->setText(QString::fromStdString(session_.connectionText()));
  statusBar()->showMessage(QString::fromStdString("Drive " + network->endpoint().name() +
                                                  ": committed values go to the drive at once"));
}

MainWindow::~MainWindow() {
  qt::failureHandler = nullptr;
  qt::lockWording = nullptr;
  connections_.clear();
  delete pages_;  // the views go before the forms that own the controls
  pages_ = nullptr;
  forms_.clear();
}

// File > Open parameter set: the set's differences from the drive, the checked ones sent.
void MainWindow::addFileMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* open = file->addAction(QStringLiteral("&Open parameter set…"), this, [this] {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open parameter set"), {},
                                     QStringLiteral("Parameter sets (*.txt *.set);;All files (*)"));
    if (!path.isEmpty()) openParameterSet(path);
  });
  open->setShortcut(QKeySequence::Open);
  file->addSeparator();
  file->addAction(QStringLiteral("&Quit"), this, &QWidget::close)->setShortcut(QKeySequence::Quit);
}

void MainWindow::openParameterSet(const QString& path) {
  try {
    ParameterSetDialog dialog(session_, readParameterSet(path.toStdString()), path, this);
    dialog.exec();
  } catch (const std::exception& e) {
    tell(QString::fromStdString(failureText(e)));
  }
  for (const auto& form : forms_) {
    for (std::size_t i = 0; i < form->size(); ++i) {
      try {
        form->control(i).Refresh();
      } catch (const std::exception&) {  // a control that cannot refresh shows what it had
      }
    }
  }
  showDefaultMarks();
}

// A mark beside every control whose value is not the parameter's default, its tool tip the
// default.
void MainWindow::addDefaultMarks(Form& form, QWidget& view) {
  for (std::size_t i = 0; i < form.size(); ++i) {
    Kadrelle& k = form.control(i);
    const ParameterInfo* info = session_.description().find(k.get_Parameter());
    const QWidget* control = qt::QtToolkit::widgetOf(k.children().surface);
    if (!info || info->readOnly || info->measured || !control) continue;
    auto* mark = new QLabel(QStringLiteral("●"), &view);
    mark->setObjectName("notAtDefault");
    mark->setToolTip(QString::fromStdString("Not at its default of " + shownDefault(*info)));
    mark->setStyleSheet("color: palette(highlight)");
    mark->adjustSize();
    const QRect at = control->geometry();
    mark->move(at.left() - mark->width() - 2, at.top() + (at.height() - mark->height()) / 2);
    defaultMarks_.push_back({&k, info, mark});
  }
  showDefaultMarks();
}

void MainWindow::showDefaultMarks() {
  for (const DefaultMark& m : defaultMarks_) {
    bool shown = false;
    try {
      if (ValueObjectRef value = m.control->get_ValueObjRef()) shown = !atDefault(*m.info, *value);
    } catch (const std::exception&) {  // a value that cannot be read has no mark
    }
    m.mark->setVisible(shown);
  }
}

namespace {
// The measured values the trend plots.
constexpr ParameterNumbers kTrended[] = {param::ActualSpeed, param::ActualCurrent,
                                         param::MotorTemperature};
}  // namespace

void MainWindow::run(double seconds) {
  for (double t = 0; t < seconds; t += 0.2) tick(0.2);
}

void MainWindow::tick(double seconds) {
  try {
    session_.tick(seconds);
  } catch (const Error& e) {
    log(QString::fromStdString("Drive: " + e.description()));
  }
  elapsed_ += seconds;
  if (!trend_) return;
  std::vector<double> values;
  for (ParameterNumbers number : kTrended) {
    const ParameterInfo& info = *session_.description().find(number);
    values.push_back(session_.driveValue(info) * info.scale);
  }
  trend_->add(elapsed_, values);
}

// The measured speed, current and motor temperature over the last minute, in a dock.
void MainWindow::addTrendDock(QMenu* view) {
  // A drive of another description may not measure them: no trend then.
  for (ParameterNumbers number : kTrended)
    if (!session_.description().find(number)) return;
  std::vector<TrendSeries> series;
  for (ParameterNumbers number : kTrended) {
    const ParameterInfo& info = *session_.description().find(number);
    series.push_back({QString::fromUtf8(info.name.data(), qsizetype(info.name.size())),
                      QString::fromUtf8(info.appUnits.data(), qsizetype(info.appUnits.size())),
                      {}});
  }
  trend_ = new TrendView(std::move(series));
  trend_->setObjectName("trendView");
  auto* dock = new QDockWidget(QStringLiteral("Trend, last minute"), this);
  dock->setObjectName("trend");
  dock->setWidget(trend_);
  addDockWidget(Qt::RightDockWidgetArea, dock);
  view->addAction(dock->toggleViewAction());
}

std::vector<Form*> MainWindow::forms() const {
  std::vector<Form*> forms;
  for (const auto& f : forms_) forms.push_back(f.get());
  return forms;
}

void MainWindow::addPage(const QString& title, std::unique_ptr<Form> form) {
  auto* view = new qt::FormView(*form);
  auto* scroll = new QScrollArea;
  scroll->setWidget(view);
  view->resize(view->sizeHint());
  // The page is never narrower than its controls: the docks beside it give way first.
  scroll->setMinimumWidth(view->width() + scroll->verticalScrollBar()->sizeHint().width() +
                          2 * scroll->frameWidth());
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  auto* note = new QLabel;
  note->setObjectName("lockNote");
  note->setWordWrap(true);
  note->setContentsMargins(8, 4, 8, 4);
  column->addWidget(note);
  column->addWidget(scroll);
  pages_->addWidget(page);
  pageList_->addItem(title);
  if (pageList_->currentRow() < 0) pageList_->setCurrentRow(0);
  lockNotes_.push_back(note);
  addDefaultMarks(*form, *view);
  watch(*form);
  forms_.push_back(std::move(form));
  showLockNotes();
}

// The level that unlocks a page's values: the highest any of its parameters needs above the
// session's level; the page says so at its top and in its name's tool tip.
void MainWindow::showLockNotes() {
  for (std::size_t page = 0; page < forms_.size() && page < lockNotes_.size(); ++page) {
    Form& form = *forms_[page];
    int locked = 0, needed = -1;
    for (std::size_t i = 0; i < form.size(); ++i) {
      const ParameterInfo* info = session_.description().find(form.control(i).get_Parameter());
      if (!info || info->readOnly || session_.requiredLevel(*info) <= session_.lockLevel())
        continue;
      ++locked;
      needed = std::max(needed, int(session_.requiredLevel(*info)));
    }
    const QString text =
        locked == 0 ? QString()
                    : QString(
                          "%1 of these values are locked at this level; lock level %2 (%3) "
                          "unlocks them (Lock level in the toolbar).")
                          .arg(locked)
                          .arg(needed)
                          .arg(QString::fromStdString(ParameterCatalog::lockLevelName(needed)));
    lockNotes_[page]->setText(text);
    lockNotes_[page]->setVisible(locked != 0);
    pageList_->item(int(page))->setToolTip(text);
  }
}

void MainWindow::watch(Form& form) {
  for (std::size_t i = 0; i < form.size(); ++i) {
    Kadrelle& k = form.control(i);
    const QString name = QString::fromStdString(form.name(i));
    connections_.push_back(k.Change.connect([this, &k, name] {
      log(name + ": Change " + QString::fromStdString(k.get_Text()));
      showDefaultMarks();
      try {
        session_.save();
      } catch (const Error& e) {
        log(QString::fromStdString("Saving the drive: " + e.description()));
      }
    }));
    connections_.push_back(
        k.UpdateError.connect([this, &k, name](std::int32_t& number, std::string& description) {
          log(name + ": UpdateError " + QString::number(number) + ": " +
              QString::fromStdString(description));
          if (const ParameterInfo* info = session_.description().find(k.get_Parameter()))
            tell(k, refusalNotice(*info, number, description,
                                  "the Lock level in the toolbar changes the level"));
        }));
    watchEntries(k);
  }
}

// An entry not written as typed, and a key the control does not take, are said where the user
// looks: the status bar and the control's tool tip.
void MainWindow::watchEntries(Kadrelle& k) {
  auto entry = std::make_shared<std::optional<std::string>>();
  connections_.push_back(k.KeyPress.connect([this, &k, entry](std::int16_t& key) {
    if (key != kKeyReturn && key < 0x20) return;
    const std::string why = qt::lockReason(k);
    if (!why.empty())
      tell(k, why);
    else if (key == kKeyReturn)
      *entry = k.get_Text();  // what was typed, before the control reads it
  }));
  connections_.push_back(k.Change.connect([this, &k, entry] {
    if (!*entry) return;
    const std::string typed = std::move(**entry);
    entry->reset();
    const ParameterInfo* info = session_.description().find(k.get_Parameter());
    if (!info) return;
    const std::string said =
        entryNotice(*info, typed, k.get_DisplayMode() != DRIVE_VIEW, k.get_Text());
    if (!said.empty()) tell(k, said);
  }));
}

std::string MainWindow::whyLocked(Kadrelle& k) const {
  const ParameterInfo* info = session_.description().find(k.get_Parameter());
  return info ? whyNotWritable(*info, session_.requiredLevel(*info), session_.lockLevel())
              : std::string();
}

void MainWindow::tell(Kadrelle& k, const std::string& message) {
  const QString text = QString::fromStdString(message);
  if (QWidget* box = qt::QtToolkit::widgetOf(k.children().editBox)) box->setToolTip(text);
  tell(text);
}

void MainWindow::tell(const QString& message) {
  statusBar()->showMessage(message);
  log(message);
}

void MainWindow::log(const QString& line) {
  events_->addItem(QTime::currentTime().toString("HH:mm:ss ") + line);
  events_->scrollToBottom();
}

void MainWindow::setDisplayMode(int mode) {
  for (const auto& form : forms_) {
    for (std::size_t i = 0; i < form->size(); ++i) {
      try {
        form->control(i).put_DisplayMode(static_cast<DisplayModes>(mode));
      } catch (const Error& e) {
        log(QString::fromStdString(form->name(i) + ": " + e.description()));
      }
    }
  }
}

}  // namespace kadrelle::gui
