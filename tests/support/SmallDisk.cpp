#include "tests/support/SmallDisk.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>

namespace pelmar::test {

SmallDisk::SmallDisk(const QString& mountPoint, int kilobytes)
    : m_path(mountPoint)
{
    QDir().mkpath(mountPoint);
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    m_mounted = ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, options.constData()) == 0;
}

bool SmallDisk::makeReadOnly()
{
    return m_mounted
        && ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
}

} // namespace pelmar::test
