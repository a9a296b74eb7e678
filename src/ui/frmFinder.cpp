#include "ui/frmFinder.h"

#include "database/connection/ConnectionString.h"
#include "database/connection/OdbcConnectionString.h"
#include "database/table/TableCache.h"
#include "places/ProgramPlaces.h"
#include "search/SearchCommand.h"
#include "ui/AppIcon.h"
#include "ui/DesktopLauncher.h"
#include "ui/PaintingWait.h"
#include "ui/QtMessageSink.h"
#include "ui/ResultListBox.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"
#include "ui/frmAbout.h"
#include "ui/frmSettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

namespace velkaro::ui {

namespace {

// 91 blanks stand before the title, so the desktop shows it near the middle of the title bar.
const QString kCaption = QString(91, u' ') + QStringLiteral("Velkaro - поиск");

// The pointer shows the busy cursor while the object lives.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

template <typename Action> void quietly(const Action &action) noexcept
{
    try {
        action();
    } catch (...) {
        // Where no search runs, a failure (memory running out) ends the action and nothing else.
    }
}

} // namespace

frmFinder::frmFinder(
    std::unique_ptr<Launcher> launcher, std::unique_ptr<MessageSink> messages, FinderDialogSeams dialogs)
    : m_launcher(launcher ? std::move(launcher) : std::make_unique<DesktopLauncher>())
    , m_messages(messages ? std::move(messages) : std::make_unique<QtMessageSink>(this))
    , m_dialogs(std::move(dialogs))
    , m_search(m_connection, m_recordset)
    , m_oneAtATime(*this)
{
    setObjectName(QStringLiteral("frmFinder"));
    setWindowTitle(kCaption);
    setWindowIcon(applicationIcon());
    // A fixed frame with the system menu and the close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint);

    buildClientArea();
    buildMenu();
    setTabChain();
    describeControls(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    cmdFind->setFocus();
    Form_Load();
}

frmFinder::~frmFinder() = default;

// The read ahead waits for the event loop: by then a file named on the command line has replaced the default,
// which is then never read.
void frmFinder::Form_Load()
{
    database::initialiseConnectionString();
    QMetaObject::invokeMethod(this, &frmFinder::readAhead, Qt::QueuedConnection);
}

// The list lets go of the table its lines come from before another file is read. When that fails the file is not
// read ahead, and nothing is shown: the next search reads it itself.
void frmFinder::readAhead()
{
    m_oneAtATime.run([this] {
        const QString connectionString = database::ConnectionString();
        PaintingWait wait;
        if (const auto file = database::accessDatabaseFile(connectionString);
            file && !database::directoryTableKept(*file))
            lstAbs->releaseTables(wait);
        m_readAhead.start(connectionString);
    });
}

void frmFinder::buildClientArea()
{
    auto *client = new QWidget(this);
    client->setFixedSize(twipsToPixels(15270), twipsToPixels(10035));
    client->setFont(windowDefaultFont());
    client->setAutoFillBackground(true);
    setColour(client, QPalette::Window, systemColour(QPalette::Highlight));
    setCentralWidget(client);

    const QFont buttonFont = tableFont(QStringLiteral("Arial"), 9.75);
    const auto button = [client, &buttonFont](const QString &name, const QString &text, const QRect &rect) {
        auto *control = new QPushButton(text, client);
        control->setObjectName(name);
        control->setGeometry(rect);
        control->setFont(buttonFont);
        control->setAutoDefault(true);
        return control;
    };
    const auto textBox = [client](const QString &name, const QRect &rect) {
        auto *control = new QLineEdit(client);
        control->setObjectName(name);
        control->setGeometry(rect);
        return control;
    };
    const auto label = [client](const QString &name, const QString &text, const QRect &rect, const QColor &colour) {
        auto *control = new QLabel(text, client);
        control->setObjectName(name);
        control->setGeometry(rect);
        control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        control->setFocusPolicy(Qt::NoFocus);
        setColour(control, QPalette::WindowText, colour);
        return control;
    };

    const QColor highlightText = systemColour(QPalette::HighlightedText);
    const QColor white(255, 255, 255);
    const QColor captionText = captionTextColour();

    cmdFind = button(QStringLiteral("cmdFind"), QStringLiteral("Найти"), twipsRect(10800, 1200, 1335, 375));
    txtAb = textBox(QStringLiteral("txtAb"), twipsRect(4080, 360, 2295, 285));
    txtStreet = textBox(QStringLiteral("txtStreet"), twipsRect(4080, 840, 2295, 285));
    txtPhone = textBox(QStringLiteral("txtPhone"), twipsRect(8160, 360, 1095, 285));
    txtHouse = textBox(QStringLiteral("txtHouse"), twipsRect(6960, 840, 615, 285));
    txtKorp = textBox(QStringLiteral("txtKorp"), twipsRect(8280, 840, 615, 285));
    lblAb = label(QStringLiteral("lblAb"), QStringLiteral("Абонент"), twipsRect(3000, 360, 735, 255), highlightText);
    lblStreet =
        label(QStringLiteral("lblStreet"), QStringLiteral("Улица"), twipsRect(3000, 840, 615, 255), highlightText);
    lblPhone = label(QStringLiteral("lblPhone"), QStringLiteral("Телефон"), twipsRect(7320, 360, 855, 255), white);
    txtFlat = textBox(QStringLiteral("txtFlat"), twipsRect(9840, 840, 735, 285));
    txtComment = textBox(QStringLiteral("txtComment"), twipsRect(4080, 1320, 6495, 285));
    lbladdon =
        label(QStringLiteral("lbladdon"), QStringLiteral("Примечание"), twipsRect(3000, 1320, 975, 255), captionText);
    lblHouse = label(QStringLiteral("lblHouse"), QStringLiteral("Дом"), twipsRect(6480, 840, 375, 255), highlightText);
    lblKorp = label(QStringLiteral("lblKorp"), QStringLiteral("Корпус"), twipsRect(7680, 840, 615, 255), highlightText);
    lblFlat =
        label(QStringLiteral("lblFlat"), QStringLiteral("Квартира"), twipsRect(9000, 840, 855, 255), highlightText);
    cmdClear = button(QStringLiteral("cmdClear"), QStringLiteral("Очистить"), twipsRect(10800, 360, 1335, 375));

    lstAbs = new ResultListBox(client);
    lstAbs->setObjectName(QStringLiteral("lstAbs"));
    lstAbs->setGeometry(twipsRect(480, 1920, 14415, 7485));
    lstAbs->setFont(tableFont(QStringLiteral("Arial"), 9, QFont::Bold));
    setColour(lstAbs, QPalette::Text, systemColour(QPalette::Highlight));

    const QFont boldLabelFont = windowDefaultFont(QFont::Bold);
    lblAb->setFont(boldLabelFont);
    lblPhone->setFont(boldLabelFont);

    cmdFind->setDefault(true);
    connect(cmdFind, &QPushButton::clicked, this, &frmFinder::cmdFind_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmFinder::cmdClear_Click);

    lblAb->setBuddy(txtAb);
    lblStreet->setBuddy(txtStreet);
    lblPhone->setBuddy(txtPhone);
    lblHouse->setBuddy(txtHouse);
    lblKorp->setBuddy(txtKorp);
    lblFlat->setBuddy(txtFlat);
    lbladdon->setBuddy(txtComment);
}

void frmFinder::buildMenu()
{
    const auto item = [this](QMenu *menu, const QString &name, const QString &text, void (frmFinder::*handler)()) {
        QAction *action = menu->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    mFile = menuBar()->addMenu(QStringLiteral("Файл"));
    mFile->setObjectName(QStringLiteral("mFile"));
    mSettings = item(mFile, QStringLiteral("mSettings"), QStringLiteral("Настройки"), &frmFinder::mSettings_Click);
    mExit = item(mFile, QStringLiteral("mExit"), QStringLiteral("Выход"), &frmFinder::mExit_Click);

    mHelp = menuBar()->addMenu(QStringLiteral("Справка"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    mCont = item(mHelp, QStringLiteral("mCont"), QStringLiteral("Содержание"), &frmFinder::mCont_Click);
    mAbout = item(mHelp, QStringLiteral("mAbout"), QStringLiteral("О программе"), &frmFinder::mAbout_Click);
}

// Street comes before phone although the phone box stands on the first row; labels take no focus.
void frmFinder::setTabChain()
{
    QWidget *const chain[] = {
        cmdFind, txtAb, txtStreet, txtPhone, txtHouse, txtKorp, txtFlat, txtComment, cmdClear, lstAbs};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

search::SearchInputs frmFinder::searchInputs() const
{
    return {.street = txtStreet->text(),
        .house = txtHouse->text(),
        .korp = txtKorp->text(),
        .flat = txtFlat->text(),
        .ab = txtAb->text(),
        .phone = txtPhone->text(),
        .comment = txtComment->text()};
}

// Enter runs the search from every control that leaves the key to its window; the buttons handle it
// themselves, so on "Очистить" it clears.
void frmFinder::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdFind->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// The close box, Alt+F4 and the system menu end the program at once, with every other window.
void frmFinder::closeEvent(QCloseEvent *event)
{
    event->accept();
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void frmFinder::cmdFind_Click()
{
    m_oneAtATime.run([this] { runSearch(); });
}

// A failure the search leaves to its caller (memory running out before its database steps) ends in the message
// of a failed search too.
void frmFinder::runSearch()
{
    const QString connectionString = database::ConnectionString();
    try {
        const BusyCursor busy;
        PaintingWait wait;
        m_search.run(*this, *lstAbs, *m_messages, wait);
    } catch (...) {
        search::SearchCommand::reportDatabaseFailure(*m_messages);
    }
    m_readAhead.keep(connectionString);
}

void frmFinder::cmdClear_Click()
{
    m_oneAtATime.run([this] { lstAbs->Clear(); });
}

void frmFinder::mSettings_Click()
{
    quietly([this] { showSettings(); });
}

void frmFinder::showSettings()
{
    if (!m_settings) {
        m_settings =
            std::make_unique<frmSettings>(std::move(m_dialogs.settingsDrives), std::move(m_dialogs.settingsMessages));
        // Connected after the dialog's own handler, which sets the new file first.
        connect(m_settings->findChild<QPushButton *>(QStringLiteral("cmdOK")), &QPushButton::clicked, this,
            [this] { readAhead(); });
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void frmFinder::mExit_Click()
{
    close();
}

void frmFinder::mCont_Click()
{
    quietly([this] { openHelp(); });
}

void frmFinder::openHelp()
{
    const QString page = places::helpPage();
    if (!m_launcher->openPage(page, kShowNormal))
        m_messages->showMessage(
            QStringLiteral("Не удалось открыть справку: ") + page, QStringLiteral("Ошибка !"), MessageIcon::Critical);
}

void frmFinder::mAbout_Click()
{
    quietly([this] { showAbout(); });
}

void frmFinder::showAbout()
{
    if (!m_about)
        m_about = std::make_unique<frmAbout>(
            m_dialogs.aboutStore ? std::move(m_dialogs.aboutStore) : makeSystemSettingsStore(), *m_launcher,
            std::move(m_dialogs.aboutMessages));
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace velkaro::ui
