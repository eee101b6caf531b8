#include "tools/imagenav/cDrives.h"

#include "tools/imagenav/mExplorerTree.h"

#include <QStorageInfo>
#include <QTreeWidget>

namespace {

cDrives::VolumeSource &volumeSource()
{
    static cDrives::VolumeSource source;
    return source;
}

bool isOneOf(const QString &value, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (value == QLatin1String(name))
            return true;
    }
    return false;
}

} // namespace

QList<DriveVolume> cDrives::mountedVolumes()
{
    QList<DriveVolume> result;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        DriveVolume volume;
        volume.rootPath = storage.rootPath();
        volume.fileSystemType = QString::fromLatin1(storage.fileSystemType());
        volume.ready = storage.isReady();
        // A volume that is not ready is never asked for its label.
        if (volume.ready)
            volume.name = storage.name();
        result.append(volume);
    }
    return result;
}

void cDrives::setVolumeSource(VolumeSource source)
{
    volumeSource() = std::move(source);
}

QList<DriveVolume> cDrives::volumes()
{
    return volumeSource() ? volumeSource()() : mountedVolumes();
}

cDrives::DriveType cDrives::driveType(const DriveVolume &volume)
{
    const QString type = volume.fileSystemType.toLower();
    if (isOneOf(type, {"proc",     "sysfs",    "cgroup",    "cgroup2",    "devpts",      "devtmpfs",
                       "mqueue",   "debugfs",  "tracefs",   "securityfs", "pstore",      "bpf",
                       "configfs", "fusectl",  "hugetlbfs", "autofs",     "binfmt_misc", "squashfs",
                       "nsfs",     "efivarfs", "selinuxfs", "rpc_pipefs", "nfsd"}))
        return None;
    if (isOneOf(type, {"iso9660", "udf"}))
        return CdRom;
    if (isOneOf(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs",
                       "ceph", "glusterfs", "davfs", "fuse.davfs2"}))
        return Network;
    if (isOneOf(type, {"tmpfs", "ramfs"}))
        return RamDisk;
    const QString root = volume.rootPath;
    if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/")))
        return Removable;
    if (isOneOf(type, {"ext2", "ext3", "ext4", "xfs", "btrfs", "overlay", "zfs", "f2fs", "jfs",
                       "reiserfs", "vfat", "ntfs", "ntfs3", "exfat", "fuseblk"}))
        return Fixed;
    return Unknown;
}

QString cDrives::imageKey(DriveType type)
{
    switch (type) {
    case Unknown:
        return QStringLiteral("drvunknown");
    case Removable:
        return QStringLiteral("drvremove");
    case Fixed:
        return QStringLiteral("drvfixed");
    case Network:
        return QStringLiteral("drvremote");
    case CdRom:
        return QStringLiteral("drvcd");
    case RamDisk:
        return QStringLiteral("drvmemory");
    case None:
        break;
    }
    return {};
}

void cDrives::subLoadTreeView(QTreeWidget *tree) const
{
    const QString computer = GetMyComputerName();
    auto *root = new QTreeWidgetItem(tree);
    root->setText(0, computer);
    setNodeData(root, computer, QString(), QStringLiteral("mycomputer"));

    const QList<DriveVolume> drives = volumes();
    for (int i = 0; i < drives.size(); ++i) {
        const DriveVolume &drive = drives.at(i);
        const DriveType type = driveType(drive);
        if (type == None)
            continue; // still counted: later keys keep their positions
        // A drive that is not ready, or has no label, reads " (/mnt/x)" with its blank.
        const QString label = drive.ready ? drive.name : QString();
        auto *node = new QTreeWidgetItem(root);
        node->setText(0, label + QStringLiteral(" (") + drive.rootPath + QStringLiteral(")"));
        QString path = drive.rootPath;
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        setNodeData(node, QStringLiteral("Parent") + QString::number(i + 1), path, imageKey(type));
        node->setData(0, NotReadyRole, !drive.ready);
    }
}

QStringList cDrives::GetDriveLetters() const
{
    QStringList letters;
    for (const DriveVolume &drive : volumes())
        letters.append(drive.rootPath);
    return letters;
}
