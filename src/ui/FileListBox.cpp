#include "ui/FileListBox.h"

#include <QDir>

namespace velkaro::ui {

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!selectedItems().isEmpty())
            Q_EMIT fileClicked();
    });
}

QString FileListBox::path() const
{
    return m_path;
}

void FileListBox::setPath(const QString &folder)
{
    const QString cleanFolder = QDir::cleanPath(QDir(folder).absolutePath());
    if (cleanFolder == m_path)
        return;
    m_path = cleanFolder;
    clear();
    addItems(QDir(m_path).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QString FileListBox::fileName() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QString pathInFolder(const QString &folder, const QString &fileName)
{
    const bool endsInSeparator = folder.endsWith(QDir::separator());
    return endsInSeparator ? folder + fileName : folder + QDir::separator() + fileName;
}

} // namespace velkaro::ui
