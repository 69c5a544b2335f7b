#include "ReportFiles.h"

#include <QHash>
#include <QtEndian>
#include <cstring>

namespace pelmar::test {

namespace {

template <typename T> T le(const QByteArray& b, qint64 at)
{
    return qFromLittleEndian<T>(b.constData() + at);
}

} // namespace

bool parseQrp(const QByteArray& bytes, QrpFile& out, QString& error)
{
    out = {};
    if (bytes.size() < 128) {
        error = QStringLiteral("shorter than the 128-byte header");
        return false;
    }
    out.formatVersion = le<quint16>(bytes, 0);
    out.engineVersion = le<quint16>(bytes, 2);
    out.pageCount = le<quint32>(bytes, 8);
    const quint64 bits = le<quint64>(bytes, 16);
    std::memcpy(&out.finished, &bits, sizeof bits);
    out.compression = quint8(bytes.at(25));
    out.reservedZero = le<quint32>(bytes, 4) == 0 && le<quint32>(bytes, 12) == 0 && bytes.at(24) == 0;
    for (int i = 26; i < 128; ++i)
        if (bytes.at(i) != 0)
            out.reservedZero = false;

    qint64 at = 128;
    for (quint32 n = 0; n < out.pageCount; ++n) {
        if (at + 8 > bytes.size()) {
            error = QStringLiteral("page %1: record header past the end").arg(n + 1);
            return false;
        }
        QrpPage page;
        page.start = at;
        page.number = le<quint32>(bytes, at);
        page.nextOffset = le<quint32>(bytes, at + 4);
        if (page.nextOffset < at + 8 + 4 || page.nextOffset > quint64(bytes.size())) {
            error = QStringLiteral("page %1: next offset %2 out of range").arg(n + 1).arg(page.nextOffset);
            return false;
        }
        page.emf = bytes.mid(at + 8, page.nextOffset - 4 - (at + 8));
        page.selfOffset = le<quint32>(bytes, page.nextOffset - 4);
        out.pages.append(page);
        at = page.nextOffset;
    }
    if (at != bytes.size()) {
        error = QStringLiteral("%1 bytes after the last page").arg(bytes.size() - at);
        return false;
    }
    return true;
}

bool parseEmf(const QByteArray& emf, EmfPage& out, QString& error)
{
    out = {};
    if (emf.size() < 88) {
        error = QStringLiteral("shorter than an EMF header");
        return false;
    }
    if (le<quint32>(emf, 0) != 1) {
        error = QStringLiteral("first record is not a header");
        return false;
    }
    if (le<quint32>(emf, 40) != 0x464D4520) {
        error = QStringLiteral("no \" EMF\" signature");
        return false;
    }
    out.frameRight = le<qint32>(emf, 32);
    out.frameBottom = le<qint32>(emf, 36);
    out.headerBytes = le<quint32>(emf, 48);
    out.headerRecords = le<quint32>(emf, 52);
    out.headerHandles = le<quint16>(emf, 56);

    qint64 at = 0;
    bool eof = false;
    while (at < emf.size()) {
        if (at + 8 > emf.size()) {
            error = QStringLiteral("truncated record at %1").arg(at);
            return false;
        }
        EmfRecord r {le<quint32>(emf, at), le<quint32>(emf, at + 4), at};
        if (r.size < 8 || r.size % 4 != 0 || at + r.size > emf.size()) {
            error = QStringLiteral("record %1 at %2 has bad size %3").arg(r.type).arg(at).arg(r.size);
            return false;
        }
        out.records.append(r);
        switch (r.type) {
        case 84: { // EMR_EXTTEXTOUTW
            EmfText t;
            const qint64 text = at + 36; // after type, size, bounds, mode, scales
            t.x = le<qint32>(emf, text);
            t.y = le<qint32>(emf, text + 4);
            const quint32 chars = le<quint32>(emf, text + 8);
            const quint32 offString = le<quint32>(emf, text + 12);
            t.options = le<quint32>(emf, text + 16);
            t.clipLeft = le<qint32>(emf, text + 20);
            t.clipTop = le<qint32>(emf, text + 24);
            t.clipRight = le<qint32>(emf, text + 28);
            t.clipBottom = le<qint32>(emf, text + 32);
            const quint32 offDx = le<quint32>(emf, text + 36);
            if (offString + chars * 2 > r.size || offDx + chars * 4 > r.size) {
                error = QStringLiteral("text record at %1 points outside itself").arg(at);
                return false;
            }
            QList<char16_t> units;
            for (quint32 i = 0; i < chars; ++i)
                units.append(le<quint16>(emf, at + offString + 2 * i));
            t.text = QString(reinterpret_cast<const QChar*>(units.constData()), units.size());
            for (quint32 i = 0; i < chars; ++i)
                t.dx.append(le<quint32>(emf, at + offDx + 4 * i));
            out.texts.append(t);
            break;
        }
        default:
            break;
        }
        at += r.size;
        if (r.type == 14) { // EMR_EOF
            eof = true;
            break;
        }
    }
    if (!eof) {
        error = QStringLiteral("no EOF record");
        return false;
    }
    if (at != emf.size()) {
        error = QStringLiteral("%1 bytes after EOF").arg(emf.size() - at);
        return false;
    }
    if (out.headerBytes != quint32(emf.size())) {
        error = QStringLiteral("header says %1 bytes, stream has %2").arg(out.headerBytes).arg(emf.size());
        return false;
    }
    if (out.headerRecords != quint32(out.records.size())) {
        error = QStringLiteral("header says %1 records, stream has %2").arg(out.headerRecords).arg(out.records.size());
        return false;
    }
    return true;
}

bool replayEmf(const QByteArray& emf, EmfReplay& out, QString& error)
{
    out = {};
    EmfPage page;
    if (!parseEmf(emf, page, error))
        return false;

    struct Object
    {
        enum class Kind { Pen, Brush, Font } kind = Kind::Pen;
        bool null = false; // NULL_PEN, NULL_BRUSH
        quint32 color = 0;
        qint32 width = 0;
        QString face;
        qint32 height = 0, weight = 0;
        bool italic = false, underline = false;
    };
    // The stock objects the writer may select.
    const auto stock = [](Object::Kind kind, bool null, quint32 color) {
        Object o;
        o.kind = kind;
        o.null = null;
        o.color = color;
        o.width = 1;
        o.face = QStringLiteral("(device default)");
        return o;
    };
    QHash<quint32, Object> objects;
    objects.insert(0x80000000, stock(Object::Kind::Brush, false, 0xFFFFFF)); // WHITE_BRUSH
    objects.insert(0x80000005, stock(Object::Kind::Brush, true, 0)); // NULL_BRUSH
    objects.insert(0x80000007, stock(Object::Kind::Pen, false, 0)); // BLACK_PEN
    objects.insert(0x80000008, stock(Object::Kind::Pen, true, 0)); // NULL_PEN
    objects.insert(0x8000000E, stock(Object::Kind::Font, false, 0)); // DEVICE_DEFAULT_FONT
    // A device starts with the black pen, the white brush and its own font.
    Object pen = objects.value(0x80000007), brush = objects.value(0x80000000), font = objects.value(0x8000000E);
    quint32 textColor = 0;
    qint32 moveX = 0, moveY = 0;
    int textIndex = 0;

    for (const EmfRecord& r : page.records) {
        const qint64 at = r.offset;
        auto need = [&](quint32 bytes) {
            if (r.size >= bytes)
                return true;
            error = QStringLiteral("record %1 at %2 is too short").arg(r.type).arg(at);
            return false;
        };
        // The header's handle count sizes the reader's object table; index 0
        // is the metafile itself.
        auto handleFits = [&](quint32 handle) {
            if (handle >= 1 && handle < page.headerHandles && !objects.contains(handle))
                return true;
            error = QStringLiteral("object %1 created at %2 is 0, in use or beyond the header's %3 handles")
                        .arg(handle)
                        .arg(at)
                        .arg(page.headerHandles);
            return false;
        };
        switch (r.type) {
        case 17: // EMR_SETMAPMODE
            if (!need(12))
                return false;
            out.mapMode = le<quint32>(emf, at + 8);
            break;
        case 9: // EMR_SETWINDOWEXTEX
            if (!need(16))
                return false;
            out.windowExtX = le<qint32>(emf, at + 8);
            out.windowExtY = le<qint32>(emf, at + 12);
            break;
        case 18: // EMR_SETBKMODE
            if (!need(12))
                return false;
            out.bkMode = le<quint32>(emf, at + 8);
            break;
        case 22: // EMR_SETTEXTALIGN
            if (!need(12))
                return false;
            out.textAlign = le<quint32>(emf, at + 8);
            break;
        case 24: // EMR_SETTEXTCOLOR
            if (!need(12))
                return false;
            textColor = le<quint32>(emf, at + 8);
            break;
        case 38: { // EMR_CREATEPEN: ihPen, LOGPEN { style, width (x, y), colour }
            if (!need(28) || !handleFits(le<quint32>(emf, at + 8)))
                return false;
            Object o;
            o.kind = Object::Kind::Pen;
            o.null = le<quint32>(emf, at + 12) == 5; // PS_NULL
            o.width = le<qint32>(emf, at + 16);
            o.color = le<quint32>(emf, at + 24);
            objects.insert(le<quint32>(emf, at + 8), o);
            break;
        }
        case 39: { // EMR_CREATEBRUSHINDIRECT: ihBrush, LOGBRUSH { style, colour, hatch }
            if (!need(24) || !handleFits(le<quint32>(emf, at + 8)))
                return false;
            Object o;
            o.kind = Object::Kind::Brush;
            o.null = le<quint32>(emf, at + 12) == 1; // BS_NULL
            o.color = le<quint32>(emf, at + 16);
            objects.insert(le<quint32>(emf, at + 8), o);
            break;
        }
        case 82: { // EMR_EXTCREATEFONTINDIRECTW: ihFont, LOGFONTW
            if (!need(12 + 92) || !handleFits(le<quint32>(emf, at + 8)))
                return false;
            Object o;
            o.kind = Object::Kind::Font;
            o.height = le<qint32>(emf, at + 12);
            o.weight = le<qint32>(emf, at + 28);
            o.italic = emf.at(at + 32) != 0;
            o.underline = emf.at(at + 33) != 0;
            for (int i = 0; i < 32; ++i) {
                const char16_t c = le<quint16>(emf, at + 40 + 2 * i);
                if (c == 0)
                    break;
                o.face.append(QChar(c));
            }
            objects.insert(le<quint32>(emf, at + 8), o);
            break;
        }
        case 37: { // EMR_SELECTOBJECT
            if (!need(12))
                return false;
            const quint32 handle = le<quint32>(emf, at + 8);
            if (!objects.contains(handle)) {
                error = QStringLiteral("object %1 selected at %2 does not exist").arg(handle).arg(at);
                return false;
            }
            const Object& o = objects[handle];
            (o.kind == Object::Kind::Pen ? pen : o.kind == Object::Kind::Brush ? brush : font) = o;
            break;
        }
        case 40: // EMR_DELETEOBJECT
            if (!need(12))
                return false;
            if (objects.remove(le<quint32>(emf, at + 8)) == 0) {
                error = QStringLiteral("object deleted at %1 does not exist").arg(at);
                return false;
            }
            break;
        case 43: { // EMR_RECTANGLE
            if (!need(24))
                return false;
            EmfDrawing d;
            if (pen.null && brush.null) {
                error = QStringLiteral("rectangle at %1 drawn with neither pen nor brush").arg(at);
                return false;
            }
            d.kind = pen.null ? EmfDrawing::Kind::Fill
                : brush.null  ? EmfDrawing::Kind::Outline
                              : EmfDrawing::Kind::FilledOutline;
            d.left = le<qint32>(emf, at + 8);
            d.top = le<qint32>(emf, at + 12);
            d.right = le<qint32>(emf, at + 16);
            d.bottom = le<qint32>(emf, at + 20);
            d.penColor = pen.color;
            d.penWidth = pen.null ? 0 : pen.width;
            d.brushColor = brush.null ? 0 : brush.color;
            out.drawings.append(d);
            break;
        }
        case 27: // EMR_MOVETOEX
            if (!need(16))
                return false;
            moveX = le<qint32>(emf, at + 8);
            moveY = le<qint32>(emf, at + 12);
            break;
        case 54: { // EMR_LINETO
            if (!need(16))
                return false;
            if (pen.null) {
                error = QStringLiteral("line at %1 drawn with the null pen").arg(at);
                return false;
            }
            EmfDrawing d;
            d.kind = EmfDrawing::Kind::Line;
            d.x1 = moveX;
            d.y1 = moveY;
            d.x2 = moveX = le<qint32>(emf, at + 8);
            d.y2 = moveY = le<qint32>(emf, at + 12);
            d.penColor = pen.color;
            d.penWidth = pen.width;
            out.drawings.append(d);
            break;
        }
        case 84: { // EMR_EXTTEXTOUTW, already read by parseEmf in order
            EmfDrawing d;
            d.kind = EmfDrawing::Kind::Text;
            d.text = page.texts.at(textIndex++);
            d.textColor = textColor;
            d.face = font.face;
            d.fontHeight = font.height;
            d.weight = font.weight;
            d.italic = font.italic;
            d.underline = font.underline;
            out.drawings.append(d);
            break;
        }
        default:
            break;
        }
    }
    return true;
}

OrderLine makeLine(const QString& path, const QString& size, const QString& fill, int quantity, int price,
                   const QString& newName)
{
    OrderLine line;
    line.Caption = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    line.SubItems[SubResolution] = QStringLiteral("1600x1200");
    line.SubItems[SubFill] = fill;
    line.SubItems[SubSize] = size;
    line.SubItems[SubQuantity] = QString::number(quantity);
    line.SubItems[SubUnitPrice] = QString::number(price) + QStringLiteral(" Ft");
    line.SubItems[SubLineTotal] = QString::number(qint64(price) * quantity) + QStringLiteral(" Ft");
    line.SubItems[SubPath] = path;
    line.SubItems[SubNewName] = newName;
    line.Data = price;
    line.ImageIndex = 0;
    return line;
}

QList<OrderLine> makeLines(int count)
{
    static const char* sizes[] = {"9x13", "10x15", "13x18", "15x21", "20x30"};
    QList<OrderLine> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.append(makeLine(QStringLiteral("/home/bolt/kepek/IMG_%1.JPG").arg(i + 1, 5, 10, QLatin1Char('0')),
                              QString::fromLatin1(sizes[i % 5]), i % 3 ? QStringLiteral("fill") : QStringLiteral("fit"),
                              1 + i % 4, 60 + 20 * (i % 5),
                              QStringLiteral("kep%1").arg(i + 1, 5, 10, QLatin1Char('0'))));
    return lines;
}

} // namespace pelmar::test
