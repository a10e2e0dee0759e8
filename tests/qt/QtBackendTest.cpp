// The Qt backend on the offscreen platform: real key events into a bound KadrelleWidget, the
// caption's runs and geometry, the lock tool tip, the published properties against the member
// table, a rendered form, the Designer plugin and a .ui file through uic and QUiLoader.
#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QPluginLoader>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QUiLoader>
#include <QVBoxLayout>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <set>

#include "brommet/BrommetLibrary.h"
#include "component/TypeLibrary.h"
#include "platform/DebugChannel.h"
#include "platform/IniSettingsStore.h"
#include "qt/FormView.h"
#include "qt/KadrelleWidget.h"
#include "qt/QtToolkit.h"
#include "ui_one_control.h"

using namespace kadrelle;

class QtBackendTest : public QObject {
  Q_OBJECT

  QTemporaryDir home_;
  std::shared_ptr<ServoDrive> drive_ = std::make_shared<ServoDrive>();
  BrommetLibrary library_{drive_};
  IniSettingsStore settings_{home_.path().toStdString()};
  StderrDebugChannel debug_;
  KadrelleWidget::Services services_{library_, settings_, debug_};

  // A shown widget bound to the speed limit (3000 RPM, step 10, lock level 1).
  std::unique_ptr<KadrelleWidget> speedLimit(std::int32_t lockLevel) {
    drive_->appLock()->put_Level(lockLevel);
    drive_->setValue(param::SpeedLimit, 6553600);  // 3000 RPM
    auto w = std::make_unique<KadrelleWidget>(services_, nullptr);
    w->resize(300, 40);
    w->setValueObjRef(library_.makeValueObject(param::SpeedLimit));
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get())) qWarning("window not active");
    return w;
  }
  double speed() const {
    return drive_->value(param::SpeedLimit) * ParameterCatalog::kRpmPerCountsPerSecond;
  }

 private Q_SLOTS:
  void initTestCase() { KadrelleWidget::setDefaultServices(services_); }

  void typeCommitStepAndLock() {
    auto w = speedLimit(1);
    QSignalSpy changes(w.get(), &KadrelleWidget::Change);
    QWidget* box = qt::QtToolkit::widgetOf(w->control().children().editBox);
    box->setFocus();
    QTest::keyClicks(box, "4500");
    QCOMPARE(qRound(speed()), 3000);  // nothing is committed before Enter
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(qRound(speed()), 4500);
    QCOMPARE(changes.count(), 1);
    QTest::keyClick(box, Qt::Key_PageUp);
    QCOMPARE(qRound(speed()), 4510);
    QTest::keyClicks(box, "12");
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(w->text(), QStringLiteral("4510"));
    // Copy takes the selection; without one the clipboard keeps what it had.
    QApplication::clipboard()->setText("kept");
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
    QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("4510"));
    // Select All, Cut, Undo and Paste as in a line edit; a host that cancels the key's KeyDown
    // or KeyPress cancels the command.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(w->text(), QString());
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w->text(), QStringLiteral("4510"));
    QApplication::clipboard()->setText("77");
    for (auto cancel :
         {connect(w.get(), &KadrelleWidget::KeyDown, [](qint16&code, qint16&) { code = 0; }),
          connect(w.get(), &KadrelleWidget::KeyPress, [](qint16&key) { key = 0; })}) {
      QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
      disconnect(cancel);
    }
    QCOMPARE(w->text(), QStringLiteral("4510"));
    QStringList menu;  // the same commands in the context menu
    QTimer::singleShot(0, [&] {
      auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!popup) return;
      for (QAction* a : popup->actions())
        if (!a->isSeparator() && a->isEnabled()) menu << a->text();
      popup->actions().last()->trigger();  // Select All
      popup->close();
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, {5, 5}, box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box, &click);
    QCOMPARE(menu.join('|'), QStringLiteral("&Undo|Cu&t|&Copy|&Paste|Select &All"));
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w->text(), QStringLiteral("77"));
    QTest::keyClick(box, Qt::Key_Escape);
    w->activateWindow();  // back from the menu
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    box->setFocus();
    // The wheel steps a focused box only.
    QWheelEvent down(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &down);
    QCOMPARE(qRound(speed()), 4500);
    box->clearFocus();
    QApplication::sendEvent(box, &down);
    QCOMPARE(qRound(speed()), 4500);
    // A KeyPress handler that clears the character cancels it.
    connect(w.get(), &KadrelleWidget::KeyPress, [](qint16& key) {
      if (key == '7') key = 0;
    });
    box->setFocus();
    QTest::keyClicks(box, "171");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(qRound(speed()), 11);
    const QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(box);
    QCOMPARE(shown->text(QAccessible::Value), w->text());
    QVERIFY(shown->text(QAccessible::Name).contains("Speed Limit"));
    // A locked control refuses the entry and says why.
    drive_->appLock()->put_Level(0);
    QTest::keyClicks(box, "99");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(qRound(speed()), 11);
    QCOMPARE(w->text(), QStringLiteral("11"));
    QCOMPARE(box->toolTip(), QStringLiteral("Locked: needs lock level 1, this program holds 0"));
    drive_->appLock()->put_Level(1);
    QCOMPARE(box->toolTip(), QString());
    w->setToolTipText("Top speed");
    w->setEnabled(false);
    QCOMPARE(box->toolTip(), QStringLiteral("Top speed\nDisabled by the program"));
  }

  void captionRunsAndPlace() {
    const QFont appFont = QApplication::font();
    for (int points : {9, 16}) {  // A new widget leaves its caption room beside the edit box and,
      // shown at no size of the host's, takes the size the caption needs: it is not cut.
      QApplication::setFont(QFont("DejaVu Sans", points));
      KadrelleWidget plain(services_, nullptr);
      plain.show();  // bound when shown: the caption comes after Qt sized the widget
      plain.setValueObjRef(library_.makeValueObject(param::SpeedLimit));
      auto children = plain.control().children();
      const auto& text = dynamic_cast<qt::QtRichTextBox&>(children.caption).textDocument();
      const QRect box = qt::QtToolkit::widgetOf(children.editBox)->geometry(),
                  caption = qt::QtToolkit::widgetOf(children.captionBox)->geometry();
      QCOMPARE(box.topLeft(), QPoint(0, 0));
      QVERIFY(!caption.intersects(box) && caption.width() > box.width());
      QVERIFY(caption.width() >= text.idealWidth());
      QVERIFY(caption.bottom() < plain.height() && caption.height() >= text.size().height());
      const QFont shown = dynamic_cast<qt::QtEditBox&>(children.editBox).shownFont();
      // nor is the box's own text (to the pixel the twips' rounding may take)
      QVERIFY(box.height() >= QFontMetrics(shown).height() - 1);
      const QSize hint = plain.sizeHint(), least = plain.minimumSizeHint();
      QVERIFY(hint.width() >= least.width() && hint.height() >= least.height());
    }
    QApplication::setFont(appFont);
    {  // A caption built at the width the widget had when bound follows a later, wider one.
      KadrelleWidget narrow(services_, nullptr);
      narrow.resize(100, 30);
      narrow.show();
      narrow.setEditorWidth(1500);
      narrow.setValueObjRef(library_.makeValueObject(param::SpeedLimit));
      const QWidget* box = qt::QtToolkit::widgetOf(narrow.control().children().captionBox);
      const auto& text = dynamic_cast<qt::QtRichTextBox&>(narrow.control().children().caption);
      const qreal wrapped = text.textDocument().size().height();  // "... Speed Limit" / "(RPM)"
      narrow.resize(600, 30);
      QCOMPARE(box->geometry().right(), 599);
      QVERIFY(text.textDocument().size().height() < wrapped);
    }
    auto w = speedLimit(1);
    w->setUnitsFontScale(50);
    w->setCaptionFont(QFont("Arial", 10, QFont::Bold));
    auto children = w->control().children();
    auto& caption = dynamic_cast<qt::QtRichTextBox&>(children.caption);
    QMap<QString, QTextCharFormat> formats;
    for (auto block = caption.textDocument().begin(); block.isValid(); block = block.next())
      for (auto it = block.begin(); !it.atEnd(); ++it)
        formats[it.fragment().text().trimmed()] = it.fragment().charFormat();
    QVERIFY2(formats.contains("Axis 1 Speed Limit"), qPrintable(formats.keys().join('|')));
    QVERIFY(formats["Axis 1 Speed Limit"].fontWeight() == QFont::Bold);
    const auto units = std::find_if(formats.keyBegin(), formats.keyEnd(),
                                    [](const QString& k) { return k.contains("RPM"); });
    QVERIFY(units != formats.keyEnd());
    QCOMPARE(formats[*units].fontPointSize() * 2, formats["Axis 1 Speed Limit"].fontPointSize());
    // Each child sits where its twips say.
    const auto pixels = [&](const ChildControl& c) {
      const QWidget* s = qt::QtToolkit::widgetOf(children.surface);
      const int l = qt::toPixels(c.get_Left(), s), t = qt::toPixels(c.get_Top(), s);
      return QRect(l, t, qt::toPixels(c.get_Left() + c.get_Width(), s) - l,
                   qt::toPixels(c.get_Top() + c.get_Height(), s) - t);
    };
    QCOMPARE(qt::QtToolkit::widgetOf(children.captionBox)->geometry(), pixels(children.captionBox));
    QCOMPARE(qt::QtToolkit::widgetOf(children.editBox)->geometry(), pixels(children.editBox));
    QVERIFY(!pixels(children.captionBox).intersects(pixels(children.editBox)));
    // The same caption again is not built again.
    const int revision = caption.textDocument().revision();
    w->Refresh();
    drive_->setValue(param::SpeedLimit, 655360);
    QCOMPARE(w->text(), QStringLiteral("300"));
    QCOMPARE(caption.textDocument().revision(), revision);
    // A drive change repaints the edit box alone: the refresh disables the caption and enables
    // it again, which leaves it as it was drawn.
    struct Paints : QObject {
      int count = 0;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
      }
    } captionPaints, boxPaints;
    QApplication::processEvents();
    qt::QtToolkit::widgetOf(children.caption)->installEventFilter(&captionPaints);
    qt::QtToolkit::widgetOf(children.editBox)->installEventFilter(&boxPaints);
    drive_->setValue(param::SpeedLimit, 6553600);
    QTRY_VERIFY(boxPaints.count > 0);
    QCOMPARE(captionPaints.count, 0);
    w->setEnabled(false);  // a real change is drawn
    QTRY_VERIFY(captionPaints.count > 0);
  }

  // The application's font, the style's line edit (enabled and disabled), and a widget with only
  // its Parameter set bound when shown.
  void nativeLookAndBindOnShow() {
    const QFont appFont = QApplication::font();
    QApplication::setFont(QFont("DejaVu Sans", 13));
    KadrelleWidget w(services_, nullptr);
    QApplication::setFont(appFont);
    QCOMPARE(w.controlFont().pointSizeF(), 13.0);
    QCOMPARE(w.captionFont().family(), QStringLiteral("DejaVu Sans"));
    auto& editBox = dynamic_cast<qt::QtEditBox&>(w.control().children().editBox);
    QCOMPARE(editBox.shownFont().pointSizeF(), 13.0);
    struct Panels : QProxyStyle {
      std::vector<QStyle::State> drawn;
      void drawPrimitive(PrimitiveElement e, const QStyleOption* o, QPainter* p,
                         const QWidget* widget) const override {
        if (e == PE_PanelLineEdit) const_cast<Panels*>(this)->drawn.push_back(o->state);
        QProxyStyle::drawPrimitive(e, o, p, widget);
      }
    };
    auto* panels = new Panels;
    QWidget* box = qt::QtToolkit::widgetOf(w.control().children().editBox);
    box->setStyle(panels);
    drive_->appLock()->put_Level(1);
    drive_->setValue(param::SpeedLimit, 6553600);
    w.setParameter(param::SpeedLimit);
    QVERIFY(!w.valueObjRef());
    w.show();
    QVERIFY(w.valueObjRef());
    QCOMPARE(w.text(), QStringLiteral("3000"));
    box->grab();
    w.setEnabled(false);
    box->grab();
    QCOMPARE(panels->drawn.size(), 2u);
    QVERIFY(panels->drawn[0] & QStyle::State_Enabled);
    QVERIFY(!(panels->drawn[1] & QStyle::State_Enabled));
    box->setStyle(nullptr);
    delete panels;
    // In a layout the control's band is as tall as it and its caption need, at the narrowest too:
    // the wrapped caption is never cut.
    for (int width : {400, 0}) {
      QWidget window;
      auto* column = new QVBoxLayout(&window);
      auto* inColumn = new KadrelleWidget(services_, &window);
      column->addWidget(inColumn);
      column->addStretch();
      inColumn->setEditorWidth(1200);
      inColumn->setValueObjRef(library_.makeValueObject(param::SpeedLimit));
      window.resize(std::max(width, window.minimumSizeHint().width()), 400);
      window.show();
      QApplication::processEvents();
      QCOMPARE(inColumn->height(), inColumn->heightForWidth(inColumn->width()));
      auto children = inColumn->control().children();
      const auto& caption = dynamic_cast<qt::QtRichTextBox&>(children.caption);
      const QRect shown = qt::QtToolkit::widgetOf(children.captionBox)->geometry();
      QVERIFY(shown.height() >= caption.textDocument().size().height());
      QVERIFY(shown.width() >= caption.textDocument().idealWidth());
    }
  }

  // Every readable and writable member of the interface is a property (Text and Value only at run
  // time, object references through setters), each event a signal, each enumeration a Q_ENUM.
  void propertiesFollowMemberTable() {
    std::map<std::string, int> kinds;  // 1 get, 2 put or putref
    for (const com::MemberInfo& m : com::kMembers)
      kinds[std::string(m.name)] |= m.kind == com::kGet ? 1 : 2;
    std::set<QString> expected, actual;
    for (auto& [name, k] : kinds)
      if (k != 2 && name != "ValueObjRef" && name != "AppLockLevel")
        expected.insert(QString::fromStdString(name));
    const QMetaObject& meta = KadrelleWidget::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
      const QMetaProperty p = meta.property(i);
      const std::string name = p.name();
      actual.insert(name.c_str());
      QCOMPARE(p.isWritable(), kinds[name] == 3);
      QCOMPARE(p.isStored(), kinds[name] == 3 && name != "Text" && name != "Value");
    }
    QCOMPARE(actual, expected);
    std::set<std::pair<QByteArray, int>> emitted;  // signals: name, parameter count
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
      if (meta.method(i).methodType() == QMetaMethod::Signal)
        emitted.insert({meta.method(i).name(), meta.method(i).parameterCount()});
    for (const com::EventInfo& e : com::kEvents)
      QVERIFY2(emitted.count({QByteArray(e.name.data(), e.name.size()), int(e.params.size())}),
               e.name.data());
    for (const com::EnumInfo& e : com::kEnumerations) {
      const auto& type = com::kTypes[e.type];
      const QMetaEnum q = meta.enumerator(meta.indexOfEnumerator(std::string(type.name).c_str()));
      QVERIFY2(q.isValid(), type.name.data());
      QCOMPARE(q.keyCount(), int(e.members.size()));
      for (const com::EnumMember& m : e.members)
        QCOMPARE(QString(q.valueToKey(m.value)),
                 QString::fromStdString(std::string(m.name)).remove(' '));
    }
  }

  void renderedFormPlacesControls() {
    qt::QtToolkit toolkit;
    qt::QtEditBoxFactory boxes;
    Form form({toolkit, boxes, library_, settings_, debug_});
    const Form::Placement places[] = {{150, 300, 3000, 600}, {1650, 1350, 2400, 900}};
    const OleColor colors[] = {rgb(200, 30, 30), rgb(30, 30, 200)};
    for (int i = 0; i < 2; ++i) form.addNew("", places[i]).put_BackColor(colors[i]);
    QCOMPARE(qt::toQColor(rgb(1, 2, 3), QPalette()), QColor(1, 2, 3));
    const QImage image = qt::renderForm(form);
    for (int i = 0; i < 2; ++i) {
      const Form::Placement& p = places[i];
      const QColor want = qt::toQColor(colors[i], QPalette());
      const auto at = [&](float x, float y) {
        return image.pixelColor(qt::toPixels(x, nullptr), qt::toPixels(y, nullptr));
      };
      QCOMPARE(at(p.left + 20, p.top + p.height - 20), want);
      QCOMPARE(at(p.left + p.width - 20, p.top + p.height - 20), want);
      QVERIFY(at(p.left - 20, p.top - 20) != want);
      QVERIFY(at(p.left + p.width + 20, p.top + p.height + 20) != want);
    }
  }

  // The Designer plugin, and a .ui file through uic and through QUiLoader (with the plugin): the
  // same control either way.
  void designerPluginAndUiFile() {
    QPluginLoader plugins(KADRELLE_DESIGNER_PLUGIN);
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(plugins.instance());
    QVERIFY2(plugin, qPrintable(plugins.errorString()));
    QCOMPARE(plugin->name() + "/" + plugin->group(), QStringLiteral("KadrelleWidget/Kadrelle"));
    QCOMPARE(plugin->icon().availableSizes().value(0), QSize(16, 15));
    QVERIFY(plugin->domXml().contains("<widget class=\"KadrelleWidget\""));
    std::unique_ptr<QWidget> made(plugin->createWidget(nullptr));
    QCOMPARE(made->metaObject()->className(), "KadrelleWidget");

    QWidget compiled;
    Ui::OneControl().setupUi(&compiled);
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QFileInfo(KADRELLE_DESIGNER_PLUGIN).absolutePath());
    QFile file(KADRELLE_UI_FILE);
    QVERIFY(file.open(QFile::ReadOnly));
    std::unique_ptr<QWidget> loaded(loader.load(&file));
    QVERIFY2(loaded, qPrintable(loader.errorString()));
    for (QWidget* form : {&compiled, loaded.get()}) {
      // One KadrelleWidget in the plugin and the program: qobject_cast finds it.
      auto* speed = qobject_cast<KadrelleWidget*>(form->findChild<QWidget*>("speed"));
      QVERIFY(speed);
      QStringList shown;
      for (const char* name : {"EditorWidth", "CaptionPosition", "UserDescription", "DisplayMode",
                               "UnitsFontScale", "Enabled"})
        shown << speed->property(name).toString();
      // An EditorWidth beyond the default width: the control has the .ui file's size by then.
      QCOMPARE(shown.join('|'), QStringLiteral("4500|Centered|Top speed|DRIVE_VIEW|80|false"));
      QCOMPARE(speed->geometry(), QRect(10, 10, 400, 50));
    }
  }
};

QTEST_MAIN(QtBackendTest)
#include "QtBackendTest.moc"
