#include "ui/Drives.h"
#include "ui/MountedVolumes.h"

#include <QTest>

using namespace Qt::StringLiterals;
using velkaro::ui::MountedVolume;

namespace {

MountedVolume volume(const QString &root, const QString &type)
{
    return {root, type, true, true, {}, {}};
}

} // namespace

class tst_ui_frmsettings_drives : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void driveRootsKeepWhatUsersSeeAsDrives_data();
    void driveRootsKeepWhatUsersSeeAsDrives();
    void bindMountsAndSystemDrive_data();
    void bindMountsAndSystemDrive();
    void driveOfPath_data();
    void driveOfPath();
    void systemDrivesOfThisMachine();
};

void tst_ui_frmsettings_drives::driveRootsKeepWhatUsersSeeAsDrives_data()
{
    QTest::addColumn<QList<MountedVolume>>("volumes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("nothing reported") << QList<MountedVolume> {} << QStringList {u"/"_s};
    QTest::newRow("system drive first, once") << QList<MountedVolume> {volume(u"/home"_s, u"ext4"_s),
        volume(u"/"_s, u"ext4"_s)} << QStringList {u"/"_s, u"/home"_s};
    QTest::newRow("storage volumes in reported order")
        << QList<MountedVolume> {volume(u"/mnt/share"_s, u"cifs"_s), volume(u"/media/ann/STICK"_s, u"vfat"_s),
               volume(u"/run/media/ann/DISK"_s, u"fuseblk"_s)}
        << QStringList {u"/"_s, u"/mnt/share"_s, u"/media/ann/STICK"_s, u"/run/media/ann/DISK"_s};
    QTest::newRow("pseudo and memory file systems") << QList<MountedVolume> {volume(u"/tmp"_s, u"tmpfs"_s),
        volume(u"/var/lib/docker/x"_s, u"overlay"_s), volume(u"/srv/app"_s, u"squashfs"_s),
        volume(u"/mnt/cg"_s, u"cgroup2"_s), volume(u"/mnt/auto"_s, u"autofs"_s)}
                                                    << QStringList {u"/"_s};
    QTest::newRow("system folders") << QList<MountedVolume> {volume(u"/proc"_s, u"proc"_s),
        volume(u"/sys/kernel/debug"_s, u"debugfs"_s), volume(u"/dev/shm"_s, u"ext4"_s),
        volume(u"/run/user/1000"_s, u"ext4"_s), volume(u"/boot/efi"_s, u"vfat"_s), volume(u"/snap/core/1"_s, u"ext4"_s)}
                                    << QStringList {u"/"_s};
    QTest::newRow("folder names that only begin like system folders")
        << QList<MountedVolume> {volume(u"/devel"_s, u"ext4"_s), volume(u"/system"_s, u"xfs"_s)}
        << QStringList {u"/"_s, u"/devel"_s, u"/system"_s};
    QTest::newRow("mounted single file and invalid volume") << QList<MountedVolume> {
        {u"/etc/hosts"_s, u"ext4"_s, true, false, {}, {}},
        {u"/mnt/old"_s, u"ext4"_s, false, true, {}, {}}} << QStringList {u"/"_s};
}

void tst_ui_frmsettings_drives::driveRootsKeepWhatUsersSeeAsDrives()
{
    QFETCH(QList<MountedVolume>, volumes);
    QFETCH(QStringList, expected);
    QCOMPARE(velkaro::ui::driveRoots(volumes), expected);
}

void tst_ui_frmsettings_drives::bindMountsAndSystemDrive_data()
{
    QTest::addColumn<QList<MountedVolume>>("volumes");
    QTest::addColumn<QByteArray>("mountInfo");
    QTest::addColumn<QStringList>("expected");

    const MountedVolume root = volume(u"/"_s, u"ext4"_s);
    QTest::newRow("folder of the system drive")
        << QList {root, volume(u"/srv/data"_s, u"ext4"_s)}
        << QByteArray("26 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                      "40 26 8:1 /home/ann/data /srv/data rw - ext4 /dev/sda1 rw")
        << QStringList {u"/"_s};
    QTest::newRow("folder of another drive, mounted before it")
        << QList {volume(u"/mnt/photos"_s, u"ext4"_s), volume(u"/home"_s, u"ext4"_s), root}
        << QByteArray("41 26 8:2 /ann/photos /mnt/photos rw - ext4 /dev/sda2 rw\n"
                      "27 26 8:2 / /home rw - ext4 /dev/sda2 rw\n26 1 8:1 / / rw - ext4 /dev/sda1 rw")
        << QStringList {u"/"_s, u"/home"_s};
    QTest::newRow("one volume at two places, blank escaped")
        << QList {volume(u"/media/ann/MY DISK"_s, u"vfat"_s), volume(u"/mnt/disk"_s, u"vfat"_s)}
        << QByteArray("50 26 8:17 / /media/ann/MY\\040DISK rw - vfat /dev/sdb1 rw\n"
                      "51 26 8:17 / /mnt/disk rw - vfat /dev/sdb1 rw")
        << QStringList {u"/"_s, u"/media/ann/MY DISK"_s};
    QTest::newRow("system drive mounted again") << QList {volume(u"/mnt/root"_s, u"ext4"_s), root}
                                                << QByteArray("90 26 8:1 / /mnt/root rw - ext4 /dev/sda1 rw\n"
                                                              "26 1 8:1 / / rw - ext4 /dev/sda1 rw")
                                                << QStringList {u"/"_s};
    QTest::newRow("bind mount below a bind mount")
        << QList {volume(u"/work/shared"_s, u"ext4"_s), volume(u"/work"_s, u"ext4"_s), volume(u"/data"_s, u"ext4"_s)}
        << QByteArray("61 60 254:0 /srv/work/shared /work/shared rw - ext4 /dev/vda rw\n"
                      "62 60 254:0 /srv/work /work rw - ext4 /dev/vda rw\n"
                      "63 60 254:0 /srv/data /data rw - ext4 /dev/vda rw")
        << QStringList {u"/"_s, u"/work"_s, u"/data"_s};
    QTest::newRow("container: host folder on an overlay root")
        << QList {volume(u"/"_s, u"overlay"_s), volume(u"/work"_s, u"ext4"_s)}
        << QByteArray("60 1 0:50 / / rw - overlay overlay rw\n70 60 254:0 /home/u/work /work rw - ext4 /dev/vda rw")
        << QStringList {u"/"_s, u"/work"_s};
    QTest::newRow("chroot: root no mount point") << QList {volume(u"/tmp"_s, u"ext4"_s), volume(u"/home"_s, u"ext4"_s)}
                                                 << QByteArray("80 79 254:0 /tmp /tmp rw - ext4 /dev/vda rw\n"
                                                               "81 79 254:0 /home /home rw - ext4 /dev/vda rw")
                                                 << QStringList {u"/"_s, u"/tmp"_s, u"/home"_s};
}

void tst_ui_frmsettings_drives::bindMountsAndSystemDrive()
{
    QFETCH(QList<MountedVolume>, volumes);
    QFETCH(QByteArray, mountInfo);
    QFETCH(QStringList, expected);
    QCOMPARE(velkaro::ui::driveRoots(velkaro::ui::withMountSources(volumes, mountInfo)), expected);
}

void tst_ui_frmsettings_drives::driveOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("system drive") << u"/srv/base.mdb"_s << u"/"_s;
    QTest::newRow("root itself") << u"/"_s << u"/"_s;
    QTest::newRow("drive's top folder") << u"/media/usb"_s << u"/media/usb"_s;
    QTest::newRow("below a drive") << u"/media/usb/db/base.mdb"_s << u"/media/usb"_s;
    QTest::newRow("deepest drive wins") << u"/media/usb/inner/x"_s << u"/media/usb/inner"_s;
    QTest::newRow("name sharing a drive's prefix") << u"/media/usbstick"_s << u"/"_s;
    QTest::newRow("dot-dot leaves the drive") << u"/media/usb/../other"_s << u"/"_s;
}

void tst_ui_frmsettings_drives::driveOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    const QStringList roots {u"/"_s, u"/media/usb"_s, u"/media/usb/inner"_s};
    QCOMPARE(velkaro::ui::driveOf(roots, path), expected);
}

void tst_ui_frmsettings_drives::systemDrivesOfThisMachine()
{
    const velkaro::ui::SystemDrives drives;
    const QStringList roots = drives.roots();
    QVERIFY(!roots.isEmpty());
    QCOMPARE(roots.first(), u"/"_s);
    QCOMPARE(roots.count(u"/"_s), 1);
    QVERIFY(!roots.contains(u"/proc"_s));
    QVERIFY(!roots.contains(u"/sys"_s));
    QVERIFY(drives.isReadable(u"/"_s));
    QVERIFY(!drives.isReadable(u"/no/such/drive"_s));
}

QTEST_APPLESS_MAIN(tst_ui_frmsettings_drives)
#include "tst_ui_frmsettings_drives.moc"
