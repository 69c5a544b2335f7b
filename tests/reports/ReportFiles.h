#pragma once

// Readers of what the report engine writes, made independently of the writer
// so the tests check the bytes rather than the writer's own idea of them.

#include "core/OrderModel.h"
#include "tests/support/Printers.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <ostream>

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
    qint32 frameRight = 0, frameBottom = 0; // rclFrame, hundredths of a mm
    quint32 headerBytes = 0;
    quint32 headerRecords = 0;
    quint16 headerHandles = 0;
};

// Walks the metafile record by record to its EOF; returns false with `error`
// when a size, the signature or the header counts do not hold.
bool parseEmf(const QByteArray& emf, EmfPage& out, QString& error);

// What a metafile draws, replayed record by record the way a GDI device
// would: its own object table (pens, brushes, fonts, stock objects), the
// selected objects and the text colour. Coordinates are logical units as
// recorded; colours are COLORREF values (0x00BBGGRR).
struct EmfDrawing
{
    enum class Kind { Fill, Outline, FilledOutline, Line, Text };
    Kind kind = Kind::Fill;
    qint32 left = 0, top = 0, right = 0, bottom = 0; // rectangles
    qint32 x1 = 0, y1 = 0, x2 = 0, y2 = 0; // lines
    quint32 penColor = 0;
    qint32 penWidth = 0;
    quint32 brushColor = 0;
    // Text: the record, the text colour and the selected font.
    EmfText text;
    quint32 textColor = 0;
    QString face;
    qint32 fontHeight = 0;
    qint32 weight = 0;
    bool italic = false;
    bool underline = false;
};

struct EmfReplay
{
    quint32 mapMode = 0;
    qint32 windowExtX = 0, windowExtY = 0;
    quint32 textAlign = 0;
    quint32 bkMode = 0;
    QList<EmfDrawing> drawings;
};

// Fails (with `error`) on what a device would refuse: an unknown or deleted
// object selected, a line or text drawn with no pen or font chosen.
bool replayEmf(const QByteArray& emf, EmfReplay& out, QString& error);

// An order line as the main window makes it.
OrderLine makeLine(const QString& path, const QString& size, const QString& fill, int quantity, int price,
                   const QString& newName = {});
QList<OrderLine> makeLines(int count);

} // namespace pelmar::test
