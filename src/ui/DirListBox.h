#pragma once

#include <QTreeWidget>

namespace velkaro::ui {

// A folder list: the folders from a drive's root down to the current folder, then the current folder's subfolders.
// Double-click (or Enter) on a folder makes it current. pathChanged() comes at once whenever the current folder
// really changes, by the operator or by setPath().
class DirListBox : public QTreeWidget
{
    Q_OBJECT

public:
    explicit DirListBox(QWidget *parent = nullptr);

    // The current folder, in Qt's separators.
    QString path() const;
    // The root of the drive the list shows.
    QString driveRoot() const;

    // Shows `folder` of the drive with root `driveRoot` as the current folder. False, with nothing changed, when
    // the folder is not on that drive or cannot be read.
    bool setPath(const QString &driveRoot, const QString &folder);

Q_SIGNALS:
    void pathChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Every folder shown is always open: no expand or collapse marks.
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    void enter(const QTreeWidgetItem *item);
    void fill();

    QString m_driveRoot;
    QString m_path;
};

} // namespace velkaro::ui
