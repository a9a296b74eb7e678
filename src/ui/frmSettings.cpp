#include "ui/frmSettings.h"

#include "database/connection/ConnectionString.h"
#include "places/ProgramPlaces.h"
#include "ui/AppIcon.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"
#include "ui/Drives.h"
#include "ui/FileListBox.h"
#include "ui/QtMessageSink.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

using namespace Qt::StringLiterals;

namespace velkaro::ui {

frmSettings::frmSettings(std::unique_ptr<Drives> drives, std::unique_ptr<MessageSink> messages)
    : QDialog(nullptr)
    , m_drives(drives ? std::move(drives) : std::make_unique<SystemDrives>())
    , m_messages(messages ? std::move(messages) : std::make_unique<QtMessageSink>(this))
{
    setObjectName(u"frmSettings"_s);
    setWindowTitle(u"Настройки"_s);
    setWindowIcon(applicationIcon());
    resize(twipsToPixels(6690), twipsToPixels(4905));
    setFont(windowDefaultFont());
    setColour(this, QPalette::Window, systemColour(QPalette::Highlight));
    setAutoFillBackground(true);

    buildControls();
    setTabChain();
    describeControls(this);
    cmdCancel->setFocus();

    // Before loading, the lists stand on the working folder and its drive.
    const QString workingFolder = QDir::currentPath();
    const QString workingDrive = driveOf(m_drives->roots(), workingFolder);
    m_currentFolders.insert(workingDrive, workingFolder);
    drvBase->setDrive(workingDrive);
    dirBase->setPath(workingDrive, workingFolder);
    flBase->setPath(workingFolder);

    connect(drvBase, &DriveListBox::driveChanged, this, &frmSettings::drvBase_Change);
    connect(dirBase, &DirListBox::pathChanged, this, &frmSettings::dirBase_Change);
    connect(flBase, &FileListBox::fileClicked, this, &frmSettings::flBase_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSettings::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSettings::cmdCancel_Click);

    Form_Load();
}

frmSettings::~frmSettings() = default;

// Controls are absolutely placed: resizing the window moves none of them.
void frmSettings::buildControls()
{
    const auto button = [this](const QString &name, const QString &text, const QRect &rect) {
        auto *control = new QPushButton(text, this);
        control->setObjectName(name);
        control->setGeometry(rect);
        control->setAutoDefault(false);
        return control;
    };
    cmdCancel = button(u"cmdCancel"_s, u"Отмена"_s, twipsRect(5640, 4320, 975, 375));
    cmdOK = button(u"cmdOK"_s, u"OK"_s, twipsRect(4800, 4320, 735, 375));

    dirBase = new DirListBox(this);
    dirBase->setObjectName(u"dirBase"_s);
    dirBase->setGeometry(twipsRect(240, 240, 3375, 3240));

    flBase = new FileListBox(this);
    flBase->setObjectName(u"flBase"_s);
    flBase->setGeometry(twipsRect(4080, 240, 2415, 3210));

    drvBase = new DriveListBox(*m_drives, this);
    drvBase->setObjectName(u"drvBase"_s);
    drvBase->setGeometry(twipsRect(240, 3600, 3375, 315));

    txtPath = new QLineEdit(this);
    txtPath->setObjectName(u"txtPath"_s);
    txtPath->setGeometry(twipsRect(1200, 4200, 3375, 375));

    дидЗфер = new QLabel(u"Путь к базе:"_s, this);
    дидЗфер->setObjectName(u"дидЗфер"_s);
    дидЗфер->setGeometry(twipsRect(0, 4320, 1215, 255));
    дидЗфер->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    дидЗфер->setFont(windowDefaultFont(QFont::Bold));
    setColour(дидЗфер, QPalette::WindowText, systemColour(QPalette::HighlightedText));
    дидЗфер->setBuddy(txtPath);
}

void frmSettings::setTabChain()
{
    QWidget *const chain[] = {cmdCancel, cmdOK, dirBase, flBase, drvBase, txtPath};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

// Neither button is the default, so Enter presses only a button that has the focus; Esc is no cancel key. The
// other keys behave as in any dialog.
void frmSettings::keyPressEvent(QKeyEvent *event)
{
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (auto *button = qobject_cast<QPushButton *>(focusWidget()); enter && (button == cmdOK || button == cmdCancel)) {
        button->click();
        return;
    }
    if (event->matches(QKeySequence::Cancel)) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Shows the drive's current folder in the folder list, or its root when that folder has gone.
bool frmSettings::openDrive(const QString &root)
{
    if (!m_drives->isReadable(root))
        return false;
    return dirBase->setPath(root, m_currentFolders.value(root, root)) || dirBase->setPath(root, root);
}

void frmSettings::Form_Load()
{
    txtPath->setText(places::defaultDatabasePath());
    drvBase->setDrive(systemDriveRoot());
    openDrive(drvBase->drive());
    flBase->setPath(dirBase->path());
}

// A drive that cannot be read is reported once; the list then returns to the system drive, and if that fails
// too the lists stay as they are.
void frmSettings::drvBase_Change()
{
    if (openDrive(drvBase->drive()) || m_returningToSystemDrive)
        return;
    m_messages->showMessage(u"Этот диск недоступен!"_s, u"Ошибка !"_s, MessageIcon::Critical);
    const QScopedValueRollback returning(m_returningToSystemDrive, true);
    drvBase->setDrive(systemDriveRoot());
}

void frmSettings::dirBase_Change()
{
    m_currentFolders.insert(dirBase->driveRoot(), dirBase->path());
    flBase->setPath(dirBase->path());
    txtPath->setText(QDir::toNativeSeparators(dirBase->path()));
}

void frmSettings::flBase_Click()
{
    txtPath->setText(pathInFolder(QDir::toNativeSeparators(flBase->path()), flBase->fileName()));
}

void frmSettings::cmdOK_Click()
{
    try {
        database::setDatabaseFile(txtPath->text());
        hide();
    } catch (...) {
        // Memory ran out: the run keeps its file, and the dialog stays up for another try.
    }
}

void frmSettings::cmdCancel_Click()
{
    hide();
}

} // namespace velkaro::ui
