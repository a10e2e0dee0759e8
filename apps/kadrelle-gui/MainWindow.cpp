#include "MainWindow.h"

#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QToolBar>

#include "brommet/ParameterCatalog.h"
#include "host/FormFile.h"
#include "platform/Error.h"
#include "qt/FormView.h"
#include "qt/ToolboxImage.h"
#include "session/FormBinder.h"
#include "session/ParameterGroups.h"

namespace kadrelle::gui {

void TraceChannel::Output(std::string_view line) {
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (view) view->appendPlainText(QString::fromStdString(text));
}

void MainWindow::fillGroupPage(Form& form, ParameterGroup group, DriveSession& drive) {
  float top = 120;
  for (const ParameterInfo& info : drive.catalog()) {
    if (info.group != group) continue;
    Kadrelle& k = form.addNew("", {120, top, 6600, 420});
    k.put_EditorPosition(1);
    k.put_EditorWidth(1800);
    k.put_Parameter(info.number);
    top += 480;
  }
  bindForm(form, drive, "the " + std::string(groupName(group)) + " page");
}

MainWindow::MainWindow(std::optional<std::filesystem::path> formFile, const DriveChoice& drive)
    : session_(drive) {
  setWindowTitle(QStringLiteral("Kadrelle drive configuration"));
  setWindowIcon(QIcon(QPixmap::fromImage(qt::toolboxImage())));
  qt::failureHandler = [this](const std::string& message) { log(QString::fromStdString(message)); };

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
  // A closed dock comes back from the View menu.
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addAction(eventDock->toggleViewAction());
  view->addAction(traceDock->toggleViewAction());

  pages_ = new QTabWidget;
  setCentralWidget(pages_);
  const Form::Services services{toolkit_, editBoxes_, session_.library(), session_.settings(),
                                trace_};
  if (formFile) {
    auto form = std::make_unique<Form>(services);
    FormFile::load(*formFile, *form);
    bindForm(*form, session_, formFile->string());
    addPage(QString::fromStdString(formFile->filename().string()), std::move(form));
  } else {
    for (const GroupName& group : parameterGroups()) {
      auto form = std::make_unique<Form>(services);
      fillGroupPage(*form, group.group, session_);
      addPage(QString::fromUtf8(group.name.data(), qsizetype(group.name.size())), std::move(form));
    }
  }

  // The drive runs: measured values follow it.
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] {
    try {
      session_.tick(0.2);
    } catch (const Error& e) {
      log(QString::fromStdString("Drive: " + e.description()));
    }
  });
  timer->start(200);
  statusBar()->showMessage(
      QString::fromStdString("Drive file: " + UserFiles::driveFile().string()));
  resize(760, 620);
  resizeDocks({eventDock}, {110}, Qt::Vertical);  // the form keeps most of the window
  watchNetworkDrive();
}

void MainWindow::watchNetworkDrive() {
  ModbusLibrary* network = session_.network();
  if (!network) return;
  // The drive's results reach the controls here, on this thread, when the dispatcher has some.
  auto* results = new QSocketNotifier(session_.dispatcher()->fd(), QSocketNotifier::Read, this);
  connect(results, &QSocketNotifier::activated, this, [this] { session_.dispatcher()->pump(); });
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
  connections_.clear();
  delete pages_;  // the views go before the forms that own the controls
  pages_ = nullptr;
  forms_.clear();
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
  pages_->addTab(scroll, title);
  watch(*form);
  forms_.push_back(std::move(form));
}

void MainWindow::watch(Form& form) {
  for (std::size_t i = 0; i < form.size(); ++i) {
    Kadrelle& k = form.control(i);
    const QString name = QString::fromStdString(form.name(i));
    connections_.push_back(k.Change.connect([this, &k, name] {
      log(name + ": Change " + QString::fromStdString(k.get_Text()));
      try {
        session_.save();
      } catch (const Error& e) {
        log(QString::fromStdString("Saving the drive: " + e.description()));
      }
    }));
    connections_.push_back(
        k.UpdateError.connect([this, name](std::int32_t& number, std::string& description) {
          log(name + ": UpdateError " + QString::number(number) + ": " +
              QString::fromStdString(description));
        }));
  }
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
