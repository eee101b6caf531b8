#pragma once

#include <QString>
#include <QTreeWidget>

// A folder list: the folders from the root down to the current one, each one step further in,
// then the current folder's subfolders. Double-clicking an entry (or Enter on it) makes it the
// current folder.
class DirListBox : public QTreeWidget
{
    Q_OBJECT

public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Shows the folder; false, and nothing changes, when it is no folder that can be read.
    bool setPath(const QString &path);

signals:
    // The current folder is another one now.
    void changed();
    // An entry was clicked; the current folder stays.
    void clicked();

protected:
    // The list's own indentation shows the levels; no branch lines or arrows.
    void drawBranches(QPainter *, const QRect &, const QModelIndex &) const override {}

private:
    void fill();

    QString m_path;
};
