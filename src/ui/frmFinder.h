#pragma once

#include "database/connection/Connection.h"
#include "database/connection/ReadAhead.h"
#include "database/connection/Recordset.h"
#include "message/MessageSink.h"
#include "search/SearchCommand.h"
#include "search/SearchPorts.h"
#include "ui/Drives.h"
#include "ui/Launcher.h"
#include "ui/OneAtATime.h"
#include "ui/SettingsStore.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace velkaro::ui {

class frmAbout;
class frmSettings;
class ResultListBox;

// The seams of the settings and About windows that the menu opens; a null one stands for the desktop's own.
struct FinderDialogSeams
{
    std::unique_ptr<Drives> settingsDrives;
    std::unique_ptr<MessageSink> settingsMessages;
    std::unique_ptr<SettingsStore> aboutStore;
    std::unique_ptr<MessageSink> aboutMessages;
};

// The main search window: seven input boxes, Find and Clear, the result list and the menu bar.
// It owns the connection and the result set for the whole run; closing it ends the program.
class frmFinder : public QMainWindow, private search::InputSource
{
    Q_OBJECT

public:
    // A null launcher or message sink stands for the desktop's own: DesktopLauncher, and QtMessageSink
    // with this window as the parent of its boxes. `dialogs` go to the settings and About windows.
    explicit frmFinder(std::unique_ptr<Launcher> launcher = nullptr, std::unique_ptr<MessageSink> messages = nullptr,
        FinderDialogSeams dialogs = {});
    ~frmFinder() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void readAhead();
    void buildClientArea();
    void buildMenu();
    void setTabChain();

    void cmdFind_Click();
    void cmdClear_Click();
    void mSettings_Click();
    void mExit_Click();
    void mCont_Click();
    void mAbout_Click();

    void runSearch();
    void showSettings();
    void openHelp();
    void showAbout();

    search::SearchInputs searchInputs() const override;

    QPushButton *cmdFind = nullptr;
    QLineEdit *txtAb = nullptr;
    QLineEdit *txtStreet = nullptr;
    QLineEdit *txtPhone = nullptr;
    QLineEdit *txtHouse = nullptr;
    QLineEdit *txtKorp = nullptr;
    QLabel *lblAb = nullptr;
    QLabel *lblStreet = nullptr;
    QLabel *lblPhone = nullptr;
    QLineEdit *txtFlat = nullptr;
    QLineEdit *txtComment = nullptr;
    QLabel *lbladdon = nullptr;
    QLabel *lblHouse = nullptr;
    QLabel *lblKorp = nullptr;
    QLabel *lblFlat = nullptr;
    QPushButton *cmdClear = nullptr;
    ResultListBox *lstAbs = nullptr;

    QMenu *mFile = nullptr;
    QAction *mSettings = nullptr;
    QAction *mExit = nullptr;
    QMenu *mHelp = nullptr;
    QAction *mCont = nullptr;
    QAction *mAbout = nullptr;

    std::unique_ptr<Launcher> m_launcher;
    std::unique_ptr<MessageSink> m_messages;
    FinderDialogSeams m_dialogs;
    database::Connection m_connection;
    database::Recordset m_recordset;
    search::SearchCommand m_search;
    database::ReadAhead m_readAhead;
    // Searches, the read ahead's letting go of tables and clearing the list never overlap.
    OneAtATime m_oneAtATime;
    std::unique_ptr<frmAbout> m_about;
    std::unique_ptr<frmSettings> m_settings;
};

} // namespace velkaro::ui
