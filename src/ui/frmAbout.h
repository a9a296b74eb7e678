#pragma once

#include "message/MessageSink.h"
#include "ui/Launcher.h"
#include "ui/SettingsStore.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>
#include <stdexcept>

class QLabel;
class QPushButton;

namespace velkaro::ui {

class LineShape;

// Raised by frmAbout::GetKeyValue for a value of zero bytes, which has no last character to inspect.
// It is an error rather than a False result: StartSysInfo turns it into its message like any other failure.
class EmptyKeyValueError : public std::runtime_error
{
public:
    EmptyKeyValueError();
};

// The About window: title, version and description of the program, and a button that starts the system
// information tool found through the settings store. Made once, without an owner, and hidden when dismissed.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // Without `messages` the dialog shows its messages as message boxes over itself.
    frmAbout(std::unique_ptr<SettingsStore> store, Launcher &launcher, std::unique_ptr<MessageSink> messages = {});
    ~frmAbout() override;

    // Starts the system information tool, or shows "System Information Is Unavailable At This Time".
    void StartSysInfo();

    // Reads value `SubKeyRef` of key `KeyName` below `KeyRoot` into `KeyVal`; true when it was read.
    // Throws EmptyKeyValueError for a value of zero bytes.
    bool GetKeyValue(std::uint32_t KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    std::unique_ptr<SettingsStore> m_store;
    Launcher &m_launcher;
    std::unique_ptr<MessageSink> m_messages;

    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;
    QLabel *lblDescription;
    QLabel *lblTitle;
    QLabel *lblVersion;
    LineShape *Line1[2];
};

} // namespace velkaro::ui
