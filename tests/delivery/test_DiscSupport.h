#pragma once

// Helpers shared by the disc tests (header only, so the other tests of this
// folder do not carry them).

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace pelmar::test::disc {

// xorriso run with the given arguments (no start-up files, C locale, UTF-8
// names); everything it printed.
inline QByteArray runXorriso(const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xorriso"),
            QStringList {QStringLiteral("-no_rc"), QStringLiteral("-local_charset"), QStringLiteral("UTF-8")} + args);
    if (!p.waitForFinished(300000))
        throw std::runtime_error("xorriso did not finish");
    if (exitCode)
        *exitCode = p.exitCode();
    return p.readAll();
}

inline QMap<QString, QByteArray> readTree(const QString& folder)
{
    QMap<QString, QByteArray> tree;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read back a file");
        tree.insert(root.relativeFilePath(path), f.readAll());
    }
    return tree;
}

inline QMap<QString, QString> snapshot(const QString& folder)
{
    QMap<QString, QString> shot;
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QString hash;
        if (info.isFile()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) {
                QCryptographicHash h(QCryptographicHash::Md5);
                h.addData(&f);
                hash = QString::fromLatin1(h.result().toHex());
            }
        }
        shot.insert(root.relativeFilePath(path),
                    QStringLiteral("%1 %2 %3").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()).arg(hash));
    }
    return shot;
}

inline QByteArray noise(qint64 size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    const qint64 words = size / 4;
    gen.fillRange(reinterpret_cast<quint32*>(bytes.data()), words);
    for (qint64 i = words * 4; i < size; ++i)
        bytes[i] = char(gen.generate());
    return bytes;
}

inline void put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}
inline const QString kAccentedPicture = QStringLiteral("/Árvíztűrő tükörfúrógép-fill-3/kep00005.jpg");

// A complete order folder, as a finished build leaves it.
inline void makeOrderFolder(const QString& folder)
{
    put(folder + QStringLiteral("/9x13-fill-2/kep00001.JPG"), noise(3 * 1024 * 1024 + 17, 1));
    put(folder + QStringLiteral("/9x13-fill-2/kep00003.jpg"), noise(2048, 2)); // exactly one sector
    put(folder + QStringLiteral("/10x15-fit-1/kep00002.TIF"), noise(2049, 3)); // one byte over
    put(folder + QStringLiteral("/10x15-fit-1/kep00004.jpeg"), QByteArray()); // empty
    // Accents in a group folder's name, as a partner's own size names may carry.
    put(folder + kAccentedPicture, noise(70000, 4));
    put(folder + QStringLiteral("/megrendeles.txt"),
        QByteArray("Megrendel\xe9s\r\n\xdczletsz\xe1m: 123\r\n")); // code page 1250 bytes
    put(folder + QStringLiteral("/megrendeles.qrp"), noise(40000, 5));
    put(folder + QStringLiteral("/megrendeles_osszegezve.qrp"), noise(9000, 6));
}

inline QString writeScript(const QString& path, const QByteArray& body)
{
    put(path, QByteArray("#!/bin/sh\n") + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace pelmar::test::disc
