#pragma once

#include <QString>
#include <QTemporaryDir>

namespace pelmar::test {

// A scratch folder removed when the test ends.
class TempDir
{
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Writes bytes to name (folders created) and returns the full path.
    QString write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};

} // namespace pelmar::test
