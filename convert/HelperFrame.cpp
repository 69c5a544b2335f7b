#include "convert/HelperFrame.h"

#include <stdexcept>

namespace pelmar::convert {

namespace {

const QByteArray kMagic = QByteArrayLiteral("PMC1");

void appendLength(QByteArray& out, quint32 n)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((n >> (8 * i)) & 0xff));
}

quint32 readLength(const char* p)
{
    quint32 n = 0;
    for (int i = 0; i < 4; ++i)
        n |= quint32(quint8(p[i])) << (8 * i);
    return n;
}

} // namespace

QByteArray encodeFrame(const Fields& fields)
{
    QByteArray payload;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        payload.append(char(it.key()));
        appendLength(payload, quint32(it.value().size()));
        payload.append(it.value());
    }
    if (payload.size() > kMaxFrameBytes)
        throw std::runtime_error("frame too long");
    QByteArray out = kMagic;
    appendLength(out, quint32(payload.size()));
    out.append(payload);
    return out;
}

std::optional<Decoded> decodeFrame(const QByteArray& data)
{
    const qsizetype have = std::min<qsizetype>(data.size(), kMagic.size());
    if (data.left(have) != kMagic.left(have))
        throw std::runtime_error("not a frame");
    if (data.size() < 8)
        return std::nullopt;
    const quint32 length = readLength(data.constData() + 4);
    if (length > quint32(kMaxFrameBytes))
        throw std::runtime_error("frame too long");
    if (data.size() < 8 + qsizetype(length))
        return std::nullopt;
    Decoded out;
    const char* p = data.constData() + 8;
    const char* end = p + length;
    while (p < end) {
        if (end - p < 5)
            throw std::runtime_error("field cut short");
        const quint8 tag = quint8(*p);
        const quint32 n = readLength(p + 1);
        p += 5;
        if (n > quint32(end - p))
            throw std::runtime_error("field longer than its frame");
        if (out.fields.contains(tag))
            throw std::runtime_error("field given twice");
        out.fields.insert(tag, QByteArray(p, qsizetype(n)));
        p += n;
    }
    out.consumed = 8 + qsizetype(length);
    return out;
}

qint64 numberField(const Fields& fields, quint8 tag, qint64 fallback, qint64 max)
{
    const auto it = fields.constFind(tag);
    if (it == fields.cend())
        return fallback;
    bool ok = false;
    const qint64 n = it->toLongLong(&ok);
    return ok && n >= 0 && n <= max ? n : fallback;
}

} // namespace pelmar::convert
