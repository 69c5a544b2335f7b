#pragma once

#include <QString>

namespace pelmar::test {

// A small tmpfs mounted for the life of the object, to see what a full disk
// does. Mounting needs privileges; available() says whether it worked.
class SmallDisk
{
public:
    explicit SmallDisk(const QString& mountPoint, int kilobytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool available() const { return m_mounted; }
    // Makes the file system read-only from now on.
    bool makeReadOnly();
    QString path() const { return m_path; }

private:
    QString m_path;
    bool m_mounted = false;
};

} // namespace pelmar::test
