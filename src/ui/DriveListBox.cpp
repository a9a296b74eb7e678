#include "ui/DriveListBox.h"

#include "ui/Drives.h"

#include <QDir>
#include <QSignalBlocker>

namespace velkaro::ui {

DriveListBox::DriveListBox(const Drives &drives, QWidget *parent)
    : QComboBox(parent)
    , m_drives(drives)
{
    refresh();
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::driveChanged);
}

QString DriveListBox::drive() const
{
    return currentData().toString();
}

void DriveListBox::setDrive(const QString &root)
{
    const int index = findData(root);
    if (index >= 0)
        setCurrentIndex(index);
}

void DriveListBox::refresh()
{
    const QString chosen = drive();
    QStringList roots = m_drives.roots();
    if (!chosen.isEmpty() && !roots.contains(chosen))
        roots.append(chosen);

    const QSignalBlocker blocker(this);
    clear();
    for (const QString &root : roots)
        addItem(QDir::toNativeSeparators(root), root);
    setCurrentIndex(chosen.isEmpty() ? 0 : findData(chosen));
}

void DriveListBox::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

} // namespace velkaro::ui
