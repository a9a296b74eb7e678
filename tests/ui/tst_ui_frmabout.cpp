#include "support/AboutFakes.h"
#include "support/ModalBoxCloser.h"
#include "ui/FontStandIns.h"
#include "ui/LineShape.h"
#include "ui/frmAbout.h"
#include "ui/frmFinder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using velkaro::ui::frmAbout;
using velkaro::ui::frmFinder;
using velkaro::ui::LineShape;
using velkaro::ui::SettingsStore;

namespace {

const QString kToolPath = u"/usr/bin/sysinfo-tool"_s;

// An About dialog over a store that names kToolPath, with a recording launcher and message sink.
struct Dialog
{
    Dialog()
    {
        auto ownedStore = std::make_unique<RecordingStore>();
        ownedStore->setValue(SettingsStore::kLocalMachine, kSysInfoPathKey, "PATH", SettingsStore::kTypeText,
            kToolPath.toLocal8Bit().append('\0'));
        auto ownedMessages = std::make_unique<RecordingMessages>();
        messages = ownedMessages.get();
        about = std::make_unique<frmAbout>(std::move(ownedStore), launcher, std::move(ownedMessages));
    }

    bool showActive()
    {
        about->show();
        about->activateWindow();
        return QTest::qWaitForWindowActive(about.get());
    }

    RecordingLauncher launcher;
    RecordingMessages *messages;
    std::unique_ptr<frmAbout> about;
};

QColor textColour(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText);
}

QColor systemColour(QPalette::ColorRole role)
{
    return QApplication::palette().color(QPalette::Active, role);
}

QList<frmAbout *> aboutWindows()
{
    QList<frmAbout *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *about = qobject_cast<frmAbout *>(widget))
            windows.append(about);
    }
    return windows;
}

} // namespace

class tst_ui_frmabout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loadSteps();
    void description();
    void window();
    void controls_data();
    void controls();
    void engravedRule();
    void accessibleDescriptions();
    void tabOrder();
    void dismissHides_data();
    void dismissHides();
    void altSStartsTheTool();
    void clickStartsTheTool();
    void unavailableToolShowsMessageBox();
    void mainWindowOpensOneDialog();
    void mainWindowGivesTheDialogItsSeams();
};

// The fonts as the program finds them.
void tst_ui_frmabout::initTestCase()
{
    velkaro::ui::useStandInsForMissingWindowFonts();
}

void tst_ui_frmabout::loadSteps()
{
    Dialog dialog;
    QCOMPARE(dialog.about->windowTitle(), u"About Velkaro"_s);
    QCOMPARE(dialog.about->findChild<QLabel *>(u"lblTitle"_s)->text(), u"Velkaro"_s);
    QCOMPARE(dialog.about->findChild<QLabel *>(u"lblVersion"_s)->text(), u"Version 1.0.0"_s);
    QCOMPARE(dialog.about->findChild<QPushButton *>(u"cmdOK"_s)->text(), u"OK"_s);
    QCOMPARE(dialog.about->findChild<QPushButton *>(u"cmdSysInfo"_s)->text(), u"&System Info..."_s);
}

void tst_ui_frmabout::description()
{
    Dialog dialog;
    const auto *label = dialog.about->findChild<QLabel *>(u"lblDescription"_s);
    QVERIFY(label->text().startsWith(u"Интерфейс поиска к базе данных телефонов СПБ (включая сотовые).\n"_s));
    QVERIFY(label->wordWrap());
    // The whole text fits its box in the window's font.
    const QRect needed = label->fontMetrics().boundingRect(
        QRect(QPoint(), label->size()), Qt::TextWordWrap | Qt::AlignLeft, label->text());
    QVERIFY2(needed.height() <= label->height(), qPrintable(u"needs %1 px"_s.arg(needed.height())));
}

void tst_ui_frmabout::window()
{
    Dialog dialog;
    frmAbout *about = dialog.about.get();
    QVERIFY(about->isWindow());
    QCOMPARE(about->parentWidget(), nullptr);
    QVERIFY(!about->isModal());
    QCOMPARE(about->size(), QSize(382, 237));
    QCOMPARE(about->minimumSize(), about->maximumSize());
    QVERIFY(!(about->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(about->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(about->autoFillBackground());
    QCOMPARE(about->palette().color(QPalette::Window), systemColour(QPalette::Highlight));
    QCOMPARE(about->font().family(), u"MS Sans Serif"_s);
    QCOMPARE(about->font().pointSizeF(), 8.25);
    QVERIFY(!about->isVisible());
}

void tst_ui_frmabout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<QString>("family");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("colour");

    const QString sansSerif = u"MS Sans Serif"_s;
    QTest::newRow("cmdOK") << u"cmdOK"_s << QRect(283, 175, 84, 23) << sansSerif << 8.25 << false << QColor();
    QTest::newRow("cmdSysInfo") << u"cmdSysInfo"_s << QRect(284, 205, 83, 23) << sansSerif << 8.25 << false << QColor();
    QTest::newRow("lblDescription") << u"lblDescription"_s << QRect(32, 75, 259, 70) << sansSerif << 8.25 << false
                                    << QColor(255, 255, 255);
    QTest::newRow("lblTitle") << u"lblTitle"_s << QRect(72, 16, 259, 32) << u"WST_Swed"_s << 9.0 << true
                              << systemColour(QPalette::HighlightedText);
    QTest::newRow("lblVersion") << u"lblVersion"_s << QRect(96, 52, 259, 15) << sansSerif << 8.25 << false
                                << systemColour(QPalette::HighlightedText);
}

void tst_ui_frmabout::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    QFETCH(QString, family);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    QFETCH(QColor, colour);

    Dialog dialog;
    auto *control = dialog.about->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), pixels);
    QCOMPARE(control->font().family(), family);
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().bold(), bold);
    if (auto *label = qobject_cast<QLabel *>(control)) {
        QCOMPARE(textColour(label), colour);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    }
}

void tst_ui_frmabout::engravedRule()
{
    Dialog dialog;
    const QList<LineShape *> lines = dialog.about->findChildren<LineShape *>(u"Line1"_s);
    QCOMPARE(lines.size(), 2);
    const auto byIndex = [&](int index) {
        return *std::find_if(lines.cbegin(), lines.cend(), [index](LineShape *line) { return line->index() == index; });
    };
    QCOMPARE(byIndex(1)->colour(), QColor(128, 128, 128));
    QCOMPARE(byIndex(1)->geometry(), QRect(6, 163, 371, 1));
    QCOMPARE(byIndex(0)->colour(), QColor(255, 255, 255));
    QCOMPARE(byIndex(0)->geometry(), QRect(7, 164, 370, 2));

    // Drawn: grey above white, below the description and above the buttons.
    const QImage image = dialog.about->grab().toImage();
    QCOMPARE(image.pixelColor(200, 163), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(200, 164), QColor(255, 255, 255));
    QCOMPARE(image.pixelColor(200, 165), QColor(255, 255, 255));
    QCOMPARE(image.pixelColor(200, 166), systemColour(QPalette::Highlight));
}

void tst_ui_frmabout::accessibleDescriptions()
{
    Dialog dialog;
    QCOMPARE(dialog.about->accessibleDescription(), u"frmAbout"_s);
    for (const QString &name : {u"cmdOK"_s, u"cmdSysInfo"_s, u"lblDescription"_s, u"lblTitle"_s, u"lblVersion"_s})
        QCOMPARE(dialog.about->findChild<QWidget *>(name)->accessibleDescription(), name);
}

void tst_ui_frmabout::tabOrder()
{
    Dialog dialog;
    QVERIFY(dialog.showActive());
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdOK"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdSysInfo"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdOK"_s);
}

void tst_ui_frmabout::dismissHides_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Enter") << u"Return"_s;
    QTest::newRow("keypad Enter") << u"Enter"_s;
    QTest::newRow("Esc") << u"Escape"_s;
    QTest::newRow("click OK") << u"click"_s;
    QTest::newRow("close box") << u"close"_s;
}

void tst_ui_frmabout::dismissHides()
{
    QFETCH(QString, how);

    Dialog dialog;
    QPointer<frmAbout> about = dialog.about.get();
    QVERIFY(dialog.showActive());
    if (how == u"Return")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    else if (how == u"Enter")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    else if (how == u"Escape")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    else if (how == u"click")
        QTest::mouseClick(about->findChild<QPushButton *>(u"cmdOK"_s), Qt::LeftButton);
    else
        about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(about);
    QVERIFY(!about->isVisible());
    QVERIFY(dialog.launcher.programs.isEmpty());
    about->show();
    QCOMPARE(about->windowTitle(), u"About Velkaro"_s);
    QVERIFY(about->isVisible());
}

void tst_ui_frmabout::altSStartsTheTool()
{
    Dialog dialog;
    QVERIFY(dialog.showActive());
    QTest::keyClick(dialog.about.get(), Qt::Key_S, Qt::AltModifier);
    // An access key clicks its button after the button's pressed look has shown.
    QTRY_COMPARE(dialog.launcher.programs.size(), 1);
    QCOMPARE(dialog.launcher.programs.first(), std::make_pair(kToolPath, 1));
    QVERIFY(dialog.messages->messages.isEmpty());
    QVERIFY(dialog.about->isVisible());
}

void tst_ui_frmabout::clickStartsTheTool()
{
    Dialog dialog;
    QVERIFY(dialog.showActive());
    QTest::mouseClick(dialog.about->findChild<QPushButton *>(u"cmdSysInfo"_s), Qt::LeftButton);
    QCOMPARE(dialog.launcher.programs.size(), 1);
    QCOMPARE(dialog.launcher.programs.first(), std::make_pair(kToolPath, 1));
    QVERIFY(dialog.about->isVisible());
}

// The real message box, over an empty store: title, text, no icon, OK only; the dialog stays open.
void tst_ui_frmabout::unavailableToolShowsMessageBox()
{
    RecordingLauncher launcher;
    frmAbout about(std::make_unique<RecordingStore>(), launcher);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    std::optional<SeenBox> seen;
    const ModalBoxCloser closer(seen);
    QTest::mouseClick(about.findChild<QPushButton *>(u"cmdSysInfo"_s), Qt::LeftButton);

    QVERIFY(seen);
    QCOMPARE(seen->title, u"Velkaro"_s);
    QCOMPARE(seen->text, u"System Information Is Unavailable At This Time"_s);
    QCOMPARE(seen->icon, QMessageBox::NoIcon);
    QCOMPARE(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(launcher.programs.isEmpty());
    QVERIFY(about.isVisible());
}

// "О программе" twice: one ownerless, modeless dialog, loaded once, starting the tool its store names through the
// main window's launcher.
void tst_ui_frmabout::mainWindowOpensOneDialog()
{
    velkaro::ui::FinderDialogSeams dialogs;
    auto store = std::make_unique<RecordingStore>();
    store->setValue(SettingsStore::kLocalMachine, kSysInfoPathKey, "PATH", SettingsStore::kTypeText,
        kToolPath.toLocal8Bit().append('\0'));
    dialogs.aboutStore = std::move(store);
    dialogs.aboutMessages = std::make_unique<RecordingMessages>();
    auto ownedLauncher = std::make_unique<RecordingLauncher>();
    RecordingLauncher *launcher = ownedLauncher.get();
    frmFinder finder(std::move(ownedLauncher), std::make_unique<RecordingMessages>(), std::move(dialogs));
    finder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&finder));
    QAction *mAbout = finder.findChild<QAction *>(u"mAbout"_s);
    QVERIFY(mAbout);
    QVERIFY(aboutWindows().isEmpty());

    mAbout->trigger();
    QCOMPARE(aboutWindows().size(), 1);
    frmAbout *about = aboutWindows().first();
    QVERIFY(about->isVisible());
    QCOMPARE(about->parentWidget(), nullptr);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(finder.isEnabled());
    QVERIFY(QTest::qWaitForWindowActive(about));

    QTest::keyClick(about, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(launcher->programs.size(), 1);
    QCOMPARE(launcher->programs.first(), std::make_pair(kToolPath, 1));

    auto *lblVersion = about->findChild<QLabel *>(u"lblVersion"_s);
    lblVersion->setText(u"changed after load"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!about->isVisible());

    mAbout->trigger();
    QCOMPARE(aboutWindows(), QList<frmAbout *> {about});
    QVERIFY(about->isVisible());
    QCOMPARE(lblVersion->text(), u"changed after load"_s);
    mAbout->trigger();
    QCOMPARE(aboutWindows(), QList<frmAbout *> {about});
}

// The About window opened from the menu reads the store and shows its messages through the seams given.
void tst_ui_frmabout::mainWindowGivesTheDialogItsSeams()
{
    velkaro::ui::FinderDialogSeams dialogs;
    dialogs.aboutStore = std::make_unique<RecordingStore>();
    dialogs.aboutMessages = std::make_unique<RecordingMessages>();
    const auto *storeSeen = static_cast<const RecordingStore *>(dialogs.aboutStore.get());
    const auto *messagesSeen = static_cast<const RecordingMessages *>(dialogs.aboutMessages.get());
    frmFinder finder(std::make_unique<RecordingLauncher>(), std::make_unique<RecordingMessages>(), std::move(dialogs));
    finder.findChild<QAction *>(u"mAbout"_s)->trigger();
    QCOMPARE(aboutWindows().size(), 1);

    aboutWindows().first()->StartSysInfo();
    QCOMPARE(storeSeen->openedKeys.value(0), kSysInfoPathKey);
    QCOMPARE(messagesSeen->messages.size(), 1);
    QCOMPARE(messagesSeen->messages.first().text, u"System Information Is Unavailable At This Time"_s);
}

QTEST_MAIN(tst_ui_frmabout)
#include "tst_ui_frmabout.moc"
