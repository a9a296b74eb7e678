#include "ui/DirListBox.h"

#include "ui/Drives.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace velkaro::ui {

namespace {

constexpr int kPathRole = Qt::UserRole;

QTreeWidgetItem *addFolder(QTreeWidgetItem *parent, const QString &text, const QString &path, const QIcon &icon)
{
    auto *item = new QTreeWidgetItem(parent, {text});
    item->setData(0, kPathRole, path);
    item->setIcon(0, icon);
    return item;
}

} // namespace

DirListBox::DirListBox(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setIndentation(8);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](const QTreeWidgetItem *item) { enter(item); });
}

QString DirListBox::path() const
{
    return m_path;
}

QString DirListBox::driveRoot() const
{
    return m_driveRoot;
}

bool DirListBox::setPath(const QString &driveRoot, const QString &folder)
{
    const QString root = QDir::cleanPath(driveRoot);
    const QString cleanFolder = QDir::cleanPath(QDir(root).absoluteFilePath(folder));
    if (root == m_driveRoot && cleanFolder == m_path)
        return true;

    const QFileInfo info(cleanFolder);
    if (!isSameOrBelow(cleanFolder, root) || !info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;

    const bool changed = cleanFolder != m_path;
    m_driveRoot = root;
    m_path = cleanFolder;
    fill();
    if (changed)
        Q_EMIT pathChanged();
    return true;
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        enter(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirListBox::drawBranches(QPainter *, const QRect &, const QModelIndex &) const
{ }

void DirListBox::enter(const QTreeWidgetItem *item)
{
    if (item)
        setPath(m_driveRoot, item->data(0, kPathRole).toString());
}

void DirListBox::fill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    auto *current = new QTreeWidgetItem(this, {QDir::toNativeSeparators(m_driveRoot)});
    current->setData(0, kPathRole, m_driveRoot);
    current->setIcon(0, openIcon);
    const QString below = m_path.mid(m_driveRoot.size());
    QString folder = m_driveRoot;
    for (const QString &name : below.split(u'/', Qt::SkipEmptyParts)) {
        folder = QDir(folder).filePath(name);
        current = addFolder(current, name, folder, openIcon);
    }

    const QDir dir(m_path);
    const QStringList subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : subfolders)
        addFolder(current, name, dir.filePath(name), closedIcon);

    expandAll();
    setCurrentItem(current);
}

} // namespace velkaro::ui
