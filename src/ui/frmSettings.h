#pragma once

#include "message/MessageSink.h"
#include "ui/Drives.h"

#include <QDialog>
#include <QHash>
#include <QString>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velkaro::ui {

class DirListBox;
class DriveListBox;
class FileListBox;

// The settings window: the operator browses drives, folders and files, or types a path, and OK makes it the
// database file of the run. Made once, without an owner, and hidden when dismissed.
class frmSettings : public QDialog
{
    Q_OBJECT

public:
    // A null `drives` or `messages` stands for the machine's drives and for message boxes over this dialog.
    explicit frmSettings(std::unique_ptr<Drives> drives = nullptr, std::unique_ptr<MessageSink> messages = nullptr);
    ~frmSettings() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void setTabChain();
    bool openDrive(const QString &root);

    void Form_Load();
    void drvBase_Change();
    void dirBase_Change();
    void flBase_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    std::unique_ptr<Drives> m_drives;
    std::unique_ptr<MessageSink> m_messages;
    // The current folder of each drive visited in this run.
    QHash<QString, QString> m_currentFolders;
    bool m_returningToSystemDrive = false;

    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdOK = nullptr;
    DirListBox *dirBase = nullptr;
    FileListBox *flBase = nullptr;
    DriveListBox *drvBase = nullptr;
    QLineEdit *txtPath = nullptr;
    QLabel *дидЗфер = nullptr;
};

} // namespace velkaro::ui
