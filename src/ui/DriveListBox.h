#pragma once

#include <QComboBox>

namespace velkaro::ui {

class Drives;

// A drop-down list of the machine's drives. driveChanged() comes at once whenever the chosen drive really changes,
// by the operator or by setDrive().
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveListBox(const Drives &drives, QWidget *parent = nullptr);

    // The chosen drive's root folder.
    QString drive() const;
    // Chooses a listed drive; a drive that is not listed, or already chosen, changes nothing.
    void setDrive(const QString &root);

    // Lists the drives anew (also each time the list drops down), keeping the chosen drive.
    void refresh();

    void showPopup() override;

Q_SIGNALS:
    void driveChanged();

private:
    const Drives &m_drives;
};

} // namespace velkaro::ui
