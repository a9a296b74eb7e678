#include "database/connection/ConnectionString.h"
#include "places/ProgramPlaces.h"
#include "search/RunWideValues.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/Twips.h"
#include "ui/frmFinder.h"

#include <QAccessible>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using velkaro::MessageIcon;
using velkaro::ui::frmFinder;
using velkaro::ui::ResultListBox;

namespace {

enum class Colour { Standard, HighlightText, White, CaptionText, Highlight };

struct ControlRow
{
    const char *name;
    const char *className;
    QString text;
    int left, top, width, height;
    int tabIndex;
    QString fontFamily;
    qreal pointSize;
    bool bold;
    Colour colour;
};

const QString msSansSerif = u"MS Sans Serif"_s;
const QString arial = u"Arial"_s;

// The window's control table.
const ControlRow controls[] = {
    {"cmdFind", "QPushButton", u"Найти"_s, 10800, 1200, 1335, 375, 0, arial, 9.75, false, Colour::Standard},
    {"txtAb", "QLineEdit", {}, 4080, 360, 2295, 285, 1, msSansSerif, 8.25, false, Colour::Standard},
    {"txtStreet", "QLineEdit", {}, 4080, 840, 2295, 285, 2, msSansSerif, 8.25, false, Colour::Standard},
    {"txtPhone", "QLineEdit", {}, 8160, 360, 1095, 285, 3, msSansSerif, 8.25, false, Colour::Standard},
    {"txtHouse", "QLineEdit", {}, 6960, 840, 615, 285, 4, msSansSerif, 8.25, false, Colour::Standard},
    {"txtKorp", "QLineEdit", {}, 8280, 840, 615, 285, 5, msSansSerif, 8.25, false, Colour::Standard},
    {"lblAb", "QLabel", u"Абонент"_s, 3000, 360, 735, 255, 6, msSansSerif, 8.25, true, Colour::HighlightText},
    {"lblStreet", "QLabel", u"Улица"_s, 3000, 840, 615, 255, 7, msSansSerif, 8.25, false, Colour::HighlightText},
    {"lblPhone", "QLabel", u"Телефон"_s, 7320, 360, 855, 255, 8, msSansSerif, 8.25, true, Colour::White},
    {"txtFlat", "QLineEdit", {}, 9840, 840, 735, 285, 9, msSansSerif, 8.25, false, Colour::Standard},
    {"txtComment", "QLineEdit", {}, 4080, 1320, 6495, 285, 10, msSansSerif, 8.25, false, Colour::Standard},
    {"lbladdon", "QLabel", u"Примечание"_s, 3000, 1320, 975, 255, 11, msSansSerif, 8.25, false, Colour::CaptionText},
    {"lblHouse", "QLabel", u"Дом"_s, 6480, 840, 375, 255, 12, msSansSerif, 8.25, false, Colour::HighlightText},
    {"lblKorp", "QLabel", u"Корпус"_s, 7680, 840, 615, 255, 13, msSansSerif, 8.25, false, Colour::HighlightText},
    {"lblFlat", "QLabel", u"Квартира"_s, 9000, 840, 855, 255, 14, msSansSerif, 8.25, false, Colour::HighlightText},
    {"cmdClear", "QPushButton", u"Очистить"_s, 10800, 360, 1335, 375, 15, arial, 9.75, false, Colour::Standard},
    {"lstAbs", "velkaro::ui::ResultListBox", {}, 480, 1920, 14415, 7485, 16, arial, 9, true, Colour::Highlight},
};

// Each label and the text box it names.
const std::pair<const char *, const char *> labelledBoxes[] = {
    {"lblAb", "txtAb"},
    {"lblPhone", "txtPhone"},
    {"lblStreet", "txtStreet"},
    {"lblHouse", "txtHouse"},
    {"lblKorp", "txtKorp"},
    {"lblFlat", "txtFlat"},
    {"lbladdon", "txtComment"},
};

const char *const textBoxes[] = {"txtAb", "txtStreet", "txtPhone", "txtHouse", "txtKorp", "txtFlat", "txtComment"};

QColor paletteColour(QPalette::ColorRole role)
{
    return QGuiApplication::palette().color(QPalette::Active, role);
}

} // namespace

class tst_ui_frmfinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void twipsToPixels_data();
    void twipsToPixels();
    void captionFrameAndClientArea();
    void backgroundIsTheHighlightColour();
    void windowIcon();
    void loadSetsTheDefaultDatabase();
    void control_data();
    void control();
    void labelsAreTransparentAndTakeNoFocus();
    void listIsOneColumnSingleSelectionInInsertionOrder();
    void focusStartsOnFind();
    void tabGoesRoundTheTableOrder();
    void menuBar();
    void textBoxesAreNamedByTheirLabels();
    void everyControlCarriesItsName();
    void enterSearches_data();
    void enterSearches();
    void enterOnClearClears();
    void clearKeepsTheBoxes();
    void searchShowsTheBusyCursor();
    void helpOpensThePageBesideTheProgram_data();
    void helpOpensThePageBesideTheProgram();
    void helpPageIsInstalledBesideTheProgram();
    void endingTheProgramClosesEveryWindow_data();
    void endingTheProgramClosesEveryWindow();

private:
    template <typename T> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1StringView(name));
    }
    void showActive();

    QList<RecordedMessage> m_messages;
    QList<Launch> m_pages;
    std::unique_ptr<frmFinder> m_window;
};

void tst_ui_frmfinder::init()
{
    velkaro::testing::resetRunState();
    m_messages.clear();
    m_pages.clear();
    m_window = std::make_unique<frmFinder>(
        std::make_unique<RecordingLauncher>(m_pages), std::make_unique<MessageRecorder>(m_messages));
}

void tst_ui_frmfinder::cleanup()
{
    m_window.reset();
}

void tst_ui_frmfinder::showActive()
{
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_ui_frmfinder::twipsToPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("one pixel") << 15 << 1;
    QTest::newRow("just under half a pixel") << 7 << 0;
    QTest::newRow("half a pixel rounds up") << 8 << 1;
    QTest::newRow("client width") << 15270 << 1018;
    QTest::newRow("client height") << 10035 << 669;
}

void tst_ui_frmfinder::twipsToPixels()
{
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(velkaro::ui::twipsToPixels(twips), pixels);
}

void tst_ui_frmfinder::captionFrameAndClientArea()
{
    showActive();
    QCOMPARE(m_window->windowTitle(), QString(91, u' ') + u"Velkaro - поиск"_s);

    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

    QCOMPARE(m_window->centralWidget()->size(), QSize(1018, 669));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(m_window->size(), m_window->minimumSize());
    QVERIFY(m_window->centralWidget()->y() >= m_window->menuBar()->geometry().bottom());
}

void tst_ui_frmfinder::backgroundIsTheHighlightColour()
{
    const QWidget *client = m_window->centralWidget();
    QVERIFY(client->autoFillBackground());
    QCOMPARE(client->palette().color(client->backgroundRole()), paletteColour(QPalette::Highlight));
}

void tst_ui_frmfinder::windowIcon()
{
    const QList<QSize> sizes = m_window->windowIcon().availableSizes();
    QVERIFY2(sizes.contains(QSize(32, 32)), qPrintable(QDebug::toString(sizes)));
    QVERIFY2(sizes.contains(QSize(16, 16)), qPrintable(QDebug::toString(sizes)));
}

void tst_ui_frmfinder::loadSetsTheDefaultDatabase()
{
    m_window.reset();
    velkaro::database::setDatabaseFile(u"/elsewhere/other.mdb"_s);
    m_window = std::make_unique<frmFinder>(
        std::make_unique<RecordingLauncher>(m_pages), std::make_unique<MessageRecorder>(m_messages));
    QCOMPARE(velkaro::database::ConnectionString(),
        u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s + velkaro::places::defaultDatabasePath());
}

void tst_ui_frmfinder::control_data()
{
    QTest::addColumn<QByteArray>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("fontFamily");
    QTest::addColumn<qreal>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("colour");
    for (const ControlRow &row : controls) {
        QTest::newRow(row.name) << QByteArray(row.className) << row.text
                                << QRect(row.left, row.top, row.width, row.height) << row.fontFamily << row.pointSize
                                << row.bold << int(row.colour);
    }
}

void tst_ui_frmfinder::control()
{
    QFETCH(QByteArray, className);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    QFETCH(QString, fontFamily);
    QFETCH(qreal, pointSize);
    QFETCH(bool, bold);
    QFETCH(int, colour);

    const QWidget *widget = control<QWidget>(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->metaObject()->className(), className);
    QCOMPARE(widget->parentWidget(), m_window->centralWidget());
    QCOMPARE(widget->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));

    QString shownText;
    if (const auto *button = qobject_cast<const QPushButton *>(widget))
        shownText = button->text();
    else if (const auto *box = qobject_cast<const QLineEdit *>(widget))
        shownText = box->text();
    else if (const auto *label = qobject_cast<const QLabel *>(widget))
        shownText = label->text();
    else if (const auto *list = qobject_cast<const ResultListBox *>(widget))
        QCOMPARE(list->ListCount(), 0);
    QCOMPARE(shownText, text);

    const QFont font = widget->font();
    QCOMPARE(font.family(), fontFamily);
    QCOMPARE(font.pointSizeF(), pointSize);
    QCOMPARE(font.bold(), bold);

    switch (Colour(colour)) {
    case Colour::Standard:
        break;
    case Colour::HighlightText:
    case Colour::CaptionText:
        QCOMPARE(widget->palette().color(QPalette::WindowText), paletteColour(QPalette::HighlightedText));
        break;
    case Colour::White:
        QCOMPARE(widget->palette().color(QPalette::WindowText), QColor(255, 255, 255));
        break;
    case Colour::Highlight:
        QCOMPARE(widget->palette().color(QPalette::Text), paletteColour(QPalette::Highlight));
        break;
    }
}

void tst_ui_frmfinder::labelsAreTransparentAndTakeNoFocus()
{
    const QList<QLabel *> labels = m_window->centralWidget()->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 7);
    for (const QLabel *label : labels) {
        QVERIFY2(!label->autoFillBackground(), qPrintable(label->objectName()));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QVERIFY(label->alignment().testFlag(Qt::AlignLeft));
        QVERIFY2(!label->text().contains(u'&'), qPrintable(label->text()));
    }
    for (const char *name : textBoxes)
        QCOMPARE(control<QLineEdit>(name)->maxLength(), 32767); // no limit of ours
}

void tst_ui_frmfinder::listIsOneColumnSingleSelectionInInsertionOrder()
{
    auto *list = control<ResultListBox>("lstAbs");
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->viewMode(), QListView::ListMode);
    QCOMPARE(list->flow(), QListView::TopToBottom);
    QVERIFY(!list->isWrapping());
}

void tst_ui_frmfinder::focusStartsOnFind()
{
    showActive();
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("cmdFind"));
    QVERIFY(control<QPushButton>("cmdFind")->isDefault());
}

void tst_ui_frmfinder::tabGoesRoundTheTableOrder()
{
    std::vector<ControlRow> focusable;
    std::copy_if(std::begin(controls), std::end(controls), std::back_inserter(focusable),
        [](const ControlRow &row) { return QByteArray(row.className) != "QLabel"; });
    std::sort(focusable.begin(), focusable.end(),
        [](const ControlRow &a, const ControlRow &b) { return a.tabIndex < b.tabIndex; });

    showActive();
    QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(focusable.front().name));
    for (std::size_t step = 1; step <= focusable.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const ControlRow &expected = focusable[step % focusable.size()];
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(expected.name));
    }
}

void tst_ui_frmfinder::menuBar()
{
    struct Item
    {
        const char *name;
        QString text;
    };
    struct Menu
    {
        const char *name;
        QString title;
        QList<Item> items;
    };
    const QList<Menu> expected = {
        {"mFile", u"Файл"_s, {{"mSettings", u"Настройки"_s}, {"mExit", u"Выход"_s}}},
        {"mHelp", u"Справка"_s, {{"mCont", u"Содержание"_s}, {"mAbout", u"О программе"_s}}},
    };

    const QList<QAction *> menus = m_window->menuBar()->actions();
    QCOMPARE(menus.size(), expected.size());
    for (qsizetype m = 0; m < menus.size(); ++m) {
        const QMenu *menu = menus[m]->menu();
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QString::fromLatin1(expected[m].name));
        QCOMPARE(menu->title(), expected[m].title);
        const QList<QAction *> items = menu->actions();
        QCOMPARE(items.size(), expected[m].items.size());
        for (qsizetype i = 0; i < items.size(); ++i) {
            const QAction *item = items[i];
            QCOMPARE(item->objectName(), QString::fromLatin1(expected[m].items[i].name));
            QCOMPARE(item->text(), expected[m].items[i].text);
            QVERIFY(!item->isSeparator());
            QVERIFY(item->isEnabled());
            QVERIFY(item->isVisible());
            QVERIFY(!item->isCheckable());
            QVERIFY(item->shortcut().isEmpty());
        }
    }
}

void tst_ui_frmfinder::textBoxesAreNamedByTheirLabels()
{
    for (const auto &[labelName, boxName] : labelledBoxes) {
        const QLabel *label = control<QLabel>(labelName);
        QLineEdit *box = control<QLineEdit>(boxName);
        QCOMPARE(label->buddy(), box);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(box);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), label->text());
    }
}

void tst_ui_frmfinder::everyControlCarriesItsName()
{
    QCOMPARE(m_window->accessibleDescription(), u"frmFinder"_s);
    for (const ControlRow &row : controls)
        QCOMPARE(control<QWidget>(row.name)->accessibleDescription(), QString::fromLatin1(row.name));
    QCOMPARE(control<QWidget>("mFile")->accessibleDescription(), u"mFile"_s);
    QCOMPARE(control<QWidget>("mHelp")->accessibleDescription(), u"mHelp"_s);
}

void tst_ui_frmfinder::enterSearches_data()
{
    QTest::addColumn<QByteArray>("focus");
    QTest::addColumn<int>("key");
    for (const char *name : textBoxes)
        QTest::newRow(name) << QByteArray(name) << int(Qt::Key_Return);
    QTest::newRow("txtAb, keypad Enter") << QByteArray("txtAb") << int(Qt::Key_Enter);
    QTest::newRow("cmdFind") << QByteArray("cmdFind") << int(Qt::Key_Return);
    QTest::newRow("lstAbs") << QByteArray("lstAbs") << int(Qt::Key_Return);
}

// With every box empty the search answers with its missing-input message, which shows that it ran.
void tst_ui_frmfinder::enterSearches()
{
    QFETCH(QByteArray, focus);
    QFETCH(int, key);
    showActive();
    auto *list = control<ResultListBox>("lstAbs");
    list->append({u"earlier"_s, u"lines"_s});
    QWidget *target = control<QWidget>(focus.constData());
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);

    QTest::keyClick(target, Qt::Key(key));

    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, u"Отсутствуют начальные данные!"_s);
    QCOMPARE(m_messages[0].title, u"Ошибка!"_s);
    QCOMPARE(m_messages[0].icon, MessageIcon::Critical);
    QCOMPARE(list->ListCount(), 2);
}

void tst_ui_frmfinder::enterOnClearClears()
{
    showActive();
    auto *list = control<ResultListBox>("lstAbs");
    list->append({QString(), u"   Абонент:                ИВАНОВ"_s});
    QWidget *clear = control<QWidget>("cmdClear");
    clear->setFocus();

    QTest::keyClick(clear, Qt::Key_Return);

    QCOMPARE(list->ListCount(), 0);
    QVERIFY(m_messages.isEmpty());
}

void tst_ui_frmfinder::clearKeepsTheBoxes()
{
    for (const char *name : textBoxes)
        control<QLineEdit>(name)->setText(QString::fromLatin1(name));
    auto *list = control<ResultListBox>("lstAbs");
    list->AddItem(u"one"_s);
    list->AddItem(u"two"_s);

    QTest::mouseClick(control<QWidget>("cmdClear"), Qt::LeftButton);

    QCOMPARE(list->ListCount(), 0);
    for (const char *name : textBoxes)
        QCOMPARE(control<QLineEdit>(name)->text(), QString::fromLatin1(name));
    QVERIFY(m_messages.isEmpty());
}

void tst_ui_frmfinder::searchShowsTheBusyCursor()
{
    QTest::mouseClick(control<QWidget>("cmdFind"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].cursor, std::optional(Qt::WaitCursor));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void tst_ui_frmfinder::helpOpensThePageBesideTheProgram_data()
{
    QTest::addColumn<bool>("pageOpens");
    QTest::newRow("the desktop opens it") << true;
    QTest::newRow("no launcher can open it") << false;
}

void tst_ui_frmfinder::helpOpensThePageBesideTheProgram()
{
    QFETCH(bool, pageOpens);
    m_window = std::make_unique<frmFinder>(
        std::make_unique<RecordingLauncher>(m_pages, pageOpens), std::make_unique<MessageRecorder>(m_messages));
    m_window->findChild<QAction *>(u"mCont"_s)->trigger();
    const QString page =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator() + u"help.html"_s;
    QCOMPARE(m_pages.size(), 1);
    QCOMPARE(m_pages[0].first, page);
    QCOMPARE(m_pages[0].second, 1);
    if (pageOpens) {
        QVERIFY(m_messages.isEmpty());
        return;
    }
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, u"Не удалось открыть справку: "_s + page);
    QCOMPARE(m_messages[0].title, u"Ошибка !"_s);
    QCOMPARE(m_messages[0].icon, velkaro::MessageIcon::Critical);
}

void tst_ui_frmfinder::helpPageIsInstalledBesideTheProgram()
{
    QFile page(QCoreApplication::applicationDirPath() + u"/help.html"_s);
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(u"lang=\"ru\""_s));
    for (const QString &message : {u"Введите более точные данные!"_s, u"Отсутствуют начальные данные!"_s,
             u"Ошибка при подключении к базе данных !"_s})
        QVERIFY2(html.contains(message), qPrintable(message));
}

void tst_ui_frmfinder::endingTheProgramClosesEveryWindow_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Выход") << true;
    QTest::newRow("close box") << false;
}

// The program's event loop ends with code 0 and no window of the program stays on screen.
void tst_ui_frmfinder::endingTheProgramClosesEveryWindow()
{
    QFETCH(bool, byMenu);
    showActive();
    m_window->findChild<QAction *>(u"mSettings"_s)->trigger();
    m_window->findChild<QAction *>(u"mAbout"_s)->trigger();
    QDialog dialog; // any other ownerless window
    dialog.show();
    const auto visibleWindows = [] {
        QStringList names;
        for (const QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                names.append(window->objectName());
        }
        names.sort();
        return names;
    };
    QCOMPARE(visibleWindows(), (QStringList {QString(), u"frmAbout"_s, u"frmFinder"_s, u"frmSettings"_s}));

    QTimer::singleShot(0, m_window.get(), [this, byMenu] {
        if (byMenu)
            m_window->findChild<QAction *>(u"mExit"_s)->trigger();
        else
            m_window->close();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    deadline.start(10000);

    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(visibleWindows(), QStringList());
}

QTEST_MAIN(tst_ui_frmfinder)
#include "tst_ui_frmfinder.moc"
