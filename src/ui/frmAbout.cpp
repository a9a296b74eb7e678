#include "ui/frmAbout.h"

#include "ui/AppIcon.h"
#include "ui/LineShape.h"
#include "ui/OrdinaryFile.h"
#include "ui/QtMessageSink.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"

#include <QLabel>
#include <QPushButton>
#include <QtEndian>

#include <optional>

using namespace Qt::StringLiterals;

namespace velkaro::ui {

namespace {

const QString kApplicationTitle = u"Velkaro"_s;

const QString kSysInfoPathKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString kSysInfoPathValue = u"PATH"_s;
const QString kSysInfoFolderKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString kSysInfoFolderValue = u"MSINFO"_s;

constexpr std::uint32_t kKeyValueBufferSize = 1024;

QLabel *makeLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(false);
    return label;
}

} // namespace

EmptyKeyValueError::EmptyKeyValueError()
    : std::runtime_error("settings value of zero bytes")
{ }

frmAbout::frmAbout(std::unique_ptr<SettingsStore> store, Launcher &launcher, std::unique_ptr<MessageSink> messages)
    : QDialog(nullptr,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_store(std::move(store))
    , m_launcher(launcher)
    , m_messages(messages ? std::move(messages) : std::make_unique<QtMessageSink>(this))
    , cmdOK(new QPushButton(u"OK"_s, this))
    , cmdSysInfo(new QPushButton(u"&System Info..."_s, this))
    , lblDescription(makeLabel(u"lblDescription"_s, this))
    , lblTitle(makeLabel(u"lblTitle"_s, this))
    , lblVersion(makeLabel(u"lblVersion"_s, this))
    , Line1 {new LineShape(0, Qt::white, this), new LineShape(1, QColor(128, 128, 128), this)}
{
    setObjectName(u"frmAbout"_s);
    setWindowIcon(applicationIcon());
    setFixedSize(twipsToPixels(5730), twipsToPixels(3555));
    setFont(windowDefaultFont());
    setColour(this, QPalette::Window, systemColour(QPalette::Highlight));
    setAutoFillBackground(true);

    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);
    cmdOK->setGeometry(twipsRect(4245, 2625, 1260, 345));

    cmdSysInfo->setObjectName(u"cmdSysInfo"_s);
    cmdSysInfo->setGeometry(twipsRect(4260, 3075, 1245, 345));
    setTabOrder(cmdOK, cmdSysInfo);

    lblDescription->setText(u"Интерфейс поиска к базе данных телефонов СПБ (включая сотовые).\n"
                            u"Разработчики Velkaro: velkaro@example.org\n"
                            u"Распространяется бесплатно, как есть, на ваш страх и риск."_s);
    lblDescription->setWordWrap(true);
    setColour(lblDescription, QPalette::WindowText, Qt::white);
    lblDescription->setGeometry(twipsRect(480, 1125, 3885, 1050));

    lblTitle->setFont(tableFont(u"WST_Swed"_s, 9, QFont::Bold));
    setColour(lblTitle, QPalette::WindowText, captionTextColour());
    lblTitle->setGeometry(twipsRect(1080, 240, 3885, 480));

    setColour(lblVersion, QPalette::WindowText, systemColour(QPalette::HighlightedText));
    lblVersion->setGeometry(twipsRect(1440, 780, 3885, 225));

    // Line1(1) is the grey upper edge of the engraved rule, Line1(0) its white lower edge.
    for (LineShape *line : Line1)
        line->setObjectName(u"Line1"_s);
    Line1[1]->setGeometry(twipsToPixels(90), twipsToPixels(2445), twipsToPixels(5654 - 90), 1);
    Line1[0]->setGeometry(twipsToPixels(105), twipsToPixels(2460), twipsToPixels(5654 - 105), 2);

    describeControls(this);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    setWindowTitle(u"About "_s + kApplicationTitle);
    lblVersion->setText(
        u"Version %1.%2.%3"_s.arg(VELKARO_VERSION_MAJOR).arg(VELKARO_VERSION_MINOR).arg(VELKARO_VERSION_PATCH));
    lblTitle->setText(kApplicationTitle);
}

void frmAbout::cmdOK_Click()
{
    hide();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    bool started = false;
    try {
        QString SysInfoPath;
        std::optional<QString> program;
        if (GetKeyValue(SettingsStore::kLocalMachine, kSysInfoPathKey, kSysInfoPathValue, SysInfoPath)) {
            program = SysInfoPath;
        } else if (GetKeyValue(SettingsStore::kLocalMachine, kSysInfoFolderKey, kSysInfoFolderValue, SysInfoPath)) {
            // The folder and the file name are joined as they are, with no check of the folder's own separator.
            const QString candidate = SysInfoPath + u"\\MSINFO32.EXE"_s;
            if (isOrdinaryFile(candidate))
                program = candidate;
        }
        started = program && m_launcher.startProgram(*program, kShowNormal);
    } catch (const EmptyKeyValueError &) {
        // a value of zero bytes: the tool cannot be found, as below
    }
    if (!started)
        m_messages->showMessage(
            u"System Information Is Unavailable At This Time"_s, kApplicationTitle, MessageIcon::None);
}

bool frmAbout::GetKeyValue(std::uint32_t KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    SettingsStore::Key key = 0;
    std::uint32_t valueType = 0;
    QByteArray buffer(kKeyValueBufferSize, '\0');
    std::uint32_t valueSize = kKeyValueBufferSize;

    if (m_store->openKey(KeyRoot, KeyName.toLocal8Bit(), 0, SettingsStore::kQueryAccess, key)
            != SettingsStore::kErrorSuccess
        || m_store->queryValue(key, SubKeyRef.toLocal8Bit(), valueType, buffer.data(), valueSize)
            != SettingsStore::kErrorSuccess) {
        KeyVal.clear();
        m_store->closeKey(key);
        return false;
    }
    if (valueSize == 0) {
        m_store->closeKey(key);
        throw EmptyKeyValueError();
    }

    // A text stored with its terminating NUL loses it; one stored without keeps every character.
    const QByteArray kept = buffer.at(valueSize - 1) == '\0' ? buffer.left(valueSize - 1) : buffer.left(valueSize);
    switch (valueType) {
    case SettingsStore::kTypeText:
        KeyVal = QString::fromLocal8Bit(kept);
        break;
    case SettingsStore::kTypeNumber:
        KeyVal = QString::number(qFromLittleEndian<quint32>(buffer.constData()));
        break;
    default:
        break;
    }
    m_store->closeKey(key);
    return true;
}

} // namespace velkaro::ui
