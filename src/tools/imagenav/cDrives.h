#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QTreeWidget;

// One mounted volume as the drive tree sees it.
struct DriveVolume
{
    QString rootPath;       // the mount point, "/" or "/media/usb"
    QString name;           // the volume label, may be empty
    QString fileSystemType; // "ext4", "iso9660", "tmpfs", ...
    bool ready = true;
};

// The drive nodes of the navigator's tree: one root for the computer, one child per
// volume that holds files.
class cDrives
{
public:
    using VolumeSource = std::function<QList<DriveVolume>()>;

    // Drive types with their tree images; None gets no node.
    enum DriveType { None = -1, Unknown = 0, Removable, Fixed, Network, CdRom, RamDisk };

    // The mounted volumes of this machine; tests put their own in its place.
    static QList<DriveVolume> mountedVolumes();
    static void setVolumeSource(VolumeSource source);
    static QList<DriveVolume> volumes();

    static DriveType driveType(const DriveVolume &volume);
    static QString imageKey(DriveType type);

    // Adds the root node and the drive nodes to the tree.
    void subLoadTreeView(QTreeWidget *tree) const;
    // The mount points of every volume, in the source's order.
    QStringList GetDriveLetters() const;
};
