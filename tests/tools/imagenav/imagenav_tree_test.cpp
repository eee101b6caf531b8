#include "tools/imagenav/cDrives.h"
#include "tools/imagenav/mExplorerTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QStringList childTexts(const QTreeWidgetItem *node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts.append(node->child(i)->text(0));
    return texts;
}

} // namespace

class TestTree : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { cDrives::setVolumeSource(nullptr); }

    void addsComputerAndDrives()
    {
        cDrives::setVolumeSource([] {
            return QList<DriveVolume>{
                {QStringLiteral("/srv/disc"), QStringLiteral("DATA"), QStringLiteral("iso9660")},
                {QStringLiteral("/proc"), QString(), QStringLiteral("proc")},
                {QStringLiteral("/"), QStringLiteral("SYSTEM"), QStringLiteral("ext4")},
                {QStringLiteral("/media/usb"), QStringLiteral("STICK"), QStringLiteral("vfat"),
                 false},
                {QStringLiteral("/mnt/ram"), QString(), QStringLiteral("tmpfs")},
                {QStringLiteral("/mnt/share"), QStringLiteral("NET"), QStringLiteral("nfs4")},
                {QStringLiteral("/mnt/odd"), QStringLiteral("ODD"), QStringLiteral("weirdfs")}};
        });
        SetMyComputerName(QStringLiteral("MYPC"));
        QTreeWidget tree;
        cDrives().subLoadTreeView(&tree);
        QCOMPARE(tree.topLevelItemCount(), 1);
        QTreeWidgetItem *root = tree.topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("MYPC"));
        QCOMPARE(root->data(0, NodeKeyRole).toString(), QStringLiteral("MYPC"));
        QCOMPARE(root->data(0, ImageKeyRole).toString(), QStringLiteral("mycomputer"));
        QCOMPARE(NodePathToFilePath(root), QString());

        // The pseudo file system gets no node but still counts for the keys; a drive that
        // is not ready, or has no label, reads with a leading blank.
        QCOMPARE(
            childTexts(root),
            (QStringList{QStringLiteral("DATA (/srv/disc)"), QStringLiteral("SYSTEM (/)"),
                         QStringLiteral(" (/media/usb)"), QStringLiteral(" (/mnt/ram)"),
                         QStringLiteral("NET (/mnt/share)"), QStringLiteral("ODD (/mnt/odd)")}));
        const QStringList keys{"Parent1", "Parent3", "Parent4", "Parent5", "Parent6", "Parent7"};
        const QStringList images{"drvcd",     "drvfixed",  "drvremove",
                                 "drvmemory", "drvremote", "drvunknown"};
        for (int i = 0; i < root->childCount(); ++i) {
            QCOMPARE(root->child(i)->data(0, NodeKeyRole).toString(), keys.at(i));
            QCOMPARE(root->child(i)->data(0, ImageKeyRole).toString(), images.at(i));
        }
        QCOMPARE(NodePathToFilePath(root->child(1)), QStringLiteral("/"));
        QCOMPARE(NodePathToFilePath(root->child(0)), QStringLiteral("/srv/disc/"));
        QVERIFY(root->child(2)->data(0, NotReadyRole).toBool());
        QCOMPARE(cDrives().GetDriveLetters().size(), 7);
    }

    void findsThisMachinesRoot()
    {
        bool found = false;
        for (const DriveVolume &volume : cDrives::mountedVolumes())
            found = found || volume.rootPath == QLatin1String("/");
        QVERIFY(found);
    }

    void listsSubfoldersSortedAndMarked()
    {
        QTemporaryDir dir;
        for (const char *name : {"b", "A", "c", ".hid", "x~A~", "a", "ab"})
            QVERIFY(QDir(dir.path()).mkdir(QLatin1String(name)));
        QFile file(dir.filePath(QStringLiteral("zfile.bmp")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        QTreeWidget tree;
        auto *parent = new QTreeWidgetItem(&tree);
        LoadSubFolders(&tree, dir.path() + QLatin1Char('/'), parent);
        QCOMPARE(childTexts(parent), (QStringList{".hid", "A", "a", "ab", "b", "c", "x~A~"}));
        for (int i = 0; i < parent->childCount(); ++i) {
            QTreeWidgetItem *node = parent->child(i);
            const bool hidden = node->text(0) == QLatin1String(".hid");
            QCOMPARE(node->data(0, MarkedRole).toBool(), hidden);
            QCOMPARE(node->foreground(0).color() == QColor(120, 120, 120), hidden);
            QCOMPARE(node->data(0, ImageKeyRole).toString(), QStringLiteral("cldfolder"));
            QCOMPARE(NodePathToFilePath(node),
                     dir.path() + QLatin1Char('/') + node->text(0) + QLatin1Char('/'));
        }

        // An empty or missing folder adds nothing.
        auto *empty = parent->child(1);
        LoadSubFolders(&tree, NodePathToFilePath(empty), empty);
        QCOMPARE(empty->childCount(), 0);
        LoadSubFolders(&tree, dir.filePath(QStringLiteral("gone/")), empty);
        QCOMPARE(empty->childCount(), 0);
    }
};

QTEST_MAIN(TestTree)
#include "imagenav_tree_test.moc"
