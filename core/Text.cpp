#include "core/Text.h"

#include <algorithm>

#include <array>

namespace pelmar {

namespace {

// Unicode code points of the bytes 0x80..0xFF; 0 marks the bytes that code
// page 1250 leaves undefined. A table of our own rather than the system's
// converter: ICU turns unmappable characters into 0x1A, not "?", and a Qt
// built without ICU has no windows-1250 at all.
constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, //
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, //
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, //
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, //
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, //
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, //
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, //
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, //
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, //
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, //
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, //
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, //
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, //
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, //
};

char encodeOne(char32_t c)
{
    if (c < 0x80)
        return char(c);
    if (c <= 0xFFFF) {
        for (size_t i = 0; i < kHigh.size(); ++i)
            if (kHigh[i] != 0 && kHigh[i] == c)
                return char(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray EncodeCp1250(const QString& original)
{
    // Composed first: "e" + combining acute (a file name copied from a Mac,
    // text pasted from some programs) is the one byte of "é", not "e?".
    const QString text = original.normalized(QString::NormalizationForm_C);
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            // One character outside the basic plane: one "?".
            ++i;
            out.append('?');
            continue;
        }
        if (c.isSurrogate()) {
            out.append('?');
            continue;
        }
        out.append(encodeOne(c.unicode()));
    }
    return out;
}

QString DecodeCp1250(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u < 0x80)
            out.append(QChar(u));
        else if (const char16_t c = kHigh[u - 0x80])
            out.append(QChar(c));
        else
            out.append(QChar(QChar::ReplacementCharacter));
    }
    return out;
}

qsizetype Cp1250Length(const QString& original)
{
    const QString text = original.normalized(QString::NormalizationForm_C);
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

QString PadText(const QString& text, int width, bool rightAligned)
{
    const qsizetype length = Cp1250Length(text);
    if (length >= width)
        return text;
    const QString spaces(width - length, QLatin1Char(' '));
    return rightAligned ? spaces + text : text + spaces;
}

QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlankChar(text[begin]))
        ++begin;
    while (end > begin && IsBlankChar(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool IsBlank(const QString& text)
{
    return std::all_of(text.begin(), text.end(), IsBlankChar);
}

void AppendCaseFolded(QString& key, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const char32_t folded = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(folded)) {
            key.append(QChar(QChar::highSurrogate(folded)));
            key.append(QChar(QChar::lowSurrogate(folded)));
        } else {
            key.append(QChar(char16_t(folded)));
        }
    }
}

} // namespace pelmar
