#include "platform/SqliteStatement.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace pelmar {

QString setDamagedDatabaseAside(const QString& path)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target))
        return {};
    for (const char* side : {"-journal", "-wal", "-shm"}) {
        const QString from = path + QLatin1String(side);
        if (QFileInfo::exists(from))
            QFile::rename(from, target + QLatin1String(side));
    }
    return target;
}

} // namespace pelmar
