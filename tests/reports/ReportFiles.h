#pragma once

// Readers of what the report engine writes, made independently of the writer
// so the tests check the bytes rather than the writer's own idea of them.

#include "core/OrderModel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <ostream>

// Readable failure output for texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace pelmar::test {

struct QrpPage
{
    quint32 number = 0;
    quint32 nextOffset = 0;
    quint32 selfOffset = 0;
    qint64 start = 0; // where the record was found
    QByteArray emf;
};

struct QrpFile
{
    quint16 formatVersion = 0;
    quint16 engineVersion = 0;
    quint32 pageCount = 0;
    double finished = 0;
    quint8 compression = 0xff;
    bool reservedZero = false; // every byte that must be zero is
    QList<QrpPage> pages;
};

// Parses the framing; on any inconsistency returns false with `error` set.
bool parseQrp(const QByteArray& bytes, QrpFile& out, QString& error);

struct EmfRecord
{
    quint32 type = 0;
    quint32 size = 0;
    qint64 offset = 0;
};

struct EmfText
{
    QString text;
    qint32 x = 0;
    qint32 y = 0;
    quint32 options = 0;
    qint32 clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
    QList<quint32> dx;
};

struct EmfPage
{
    QList<EmfRecord> records;
    QList<EmfText> texts;
    QStringList fontFaces; // in creation order
    QList<qint32> fontHeights;
    qint32 frameRight = 0, frameBottom = 0; // rclFrame, hundredths of a mm
    quint32 headerBytes = 0;
    quint32 headerRecords = 0;
    quint16 headerHandles = 0;
    int rectangles = 0;
    int lines = 0;
};

// Walks the metafile record by record to its EOF; returns false with `error`
// when a size, the signature or the header counts do not hold.
bool parseEmf(const QByteArray& emf, EmfPage& out, QString& error);

// An order line as the main window makes it.
OrderLine makeLine(const QString& path, const QString& size, const QString& fill, int quantity, int price,
    const QString& newName = {});
QList<OrderLine> makeLines(int count);

} // namespace pelmar::test
