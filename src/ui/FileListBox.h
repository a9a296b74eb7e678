#pragma once

#include <QListWidget>

namespace velkaro::ui {

// A file list: every file of one folder, one selection at a time. fileClicked() comes at once whenever a file
// becomes selected.
class FileListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit FileListBox(QWidget *parent = nullptr);

    // The folder whose files are listed, in Qt's separators.
    QString path() const;
    // Lists the files of `folder` with none selected; the folder already listed changes nothing.
    void setPath(const QString &folder);

    // The selected file's name, or empty.
    QString fileName() const;

Q_SIGNALS:
    void fileClicked();

private:
    QString m_path;
};

// A folder path and a file name joined by one separator; a root such as "/" already ends in one.
QString pathInFolder(const QString &folder, const QString &fileName);

} // namespace velkaro::ui
