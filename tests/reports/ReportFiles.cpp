#include "ReportFiles.h"

#include <QtEndian>
#include <cstring>

namespace pelmar::test {

namespace {

template <typename T> T le(const QByteArray& b, qint64 at) { return qFromLittleEndian<T>(b.constData() + at); }

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
        EmfRecord r { le<quint32>(emf, at), le<quint32>(emf, at + 4), at };
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
        case 82: { // EMR_EXTCREATEFONTINDIRECTW: ihFont, then LOGFONTW
            const qint64 lf = at + 12;
            out.fontHeights.append(le<qint32>(emf, lf));
            QString face;
            for (int i = 0; i < 32; ++i) {
                const char16_t c = le<quint16>(emf, lf + 28 + 2 * i);
                if (c == 0)
                    break;
                face.append(QChar(c));
            }
            out.fontFaces.append(face);
            break;
        }
        case 43: // EMR_RECTANGLE
            ++out.rectangles;
            break;
        case 54: // EMR_LINETO
            ++out.lines;
            break;
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

OrderLine makeLine(
    const QString& path, const QString& size, const QString& fill, int quantity, int price, const QString& newName)
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
    static const char* sizes[] = { "9x13", "10x15", "13x18", "15x21", "20x30" };
    QList<OrderLine> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.append(makeLine(QStringLiteral("/home/bolt/kepek/IMG_%1.JPG").arg(i + 1, 5, 10, QLatin1Char('0')),
            QString::fromLatin1(sizes[i % 5]), i % 3 ? QStringLiteral("fill") : QStringLiteral("fit"), 1 + i % 4,
            60 + 20 * (i % 5), QStringLiteral("kep%1").arg(i + 1, 5, 10, QLatin1Char('0'))));
    return lines;
}

} // namespace pelmar::test
