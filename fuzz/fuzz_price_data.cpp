// Arbitrary text as a price list (one entry a line), a resolution text, an
// integer text and the setting lines of the price file: parsing never fails,
// what is composed parses back the same, and the code page 1250 helpers
// agree with each other.
#include "core/AppError.h"
#include "core/PriceData.h"
#include "core/Text.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    const pelmar::TPriceData entry = pelmar::ParsePriceData(text);
    const QString composed = pelmar::ComposePriceData(entry);
    // Size and OptRes hold no "|" once parsed, so the composed form is exact.
    if (pelmar::ParsePriceData(composed) != entry)
        std::abort();
    pelmar::SplitResolution(text);
    qint32 value = 0;
    const bool isInt = pelmar::TryStrToInt(text, value);
    if (isInt && pelmar::StrToIntDef(QString::number(value), value ^ 1) != value)
        std::abort();
    try {
        if (pelmar::StrToInt(text) != value || !isInt)
            std::abort();
    } catch (const pelmar::AppError&) {
        if (isInt)
            std::abort();
    }

    // The lines as a price list and as setting lines: every size is found at
    // its first entry of the same name, a value set is read back.
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QStringList sizes = pelmar::SizeNames(lines);
    if (sizes.size() != lines.size())
        std::abort();
    for (int i = 0; i < sizes.size() && i < 64; ++i) {
        const int found = pelmar::FindSizeIndex(sizes, sizes[i]);
        if (found < 0 || found > i)
            std::abort();
    }
    QStringList settings = lines;
    const qint32 cd = pelmar::CdPrice(settings);
    pelmar::SetSettingValue(settings, QStringLiteral("CD"), cd);
    pelmar::SetSettingValue(settings, QStringLiteral("Teszt"), value);
    if (pelmar::CdPrice(settings) != cd || pelmar::SettingValue(settings, QStringLiteral("teszt")) != value)
        std::abort();

    // Code page 1250: one byte per code point, and what it can hold comes
    // back the same (its five undefined bytes decode to U+FFFD, which it
    // cannot hold).
    const QByteArray encoded = pelmar::EncodeCp1250(text);
    if (encoded.size() != pelmar::Cp1250Length(text))
        std::abort();
    const QString decoded = pelmar::DecodeCp1250(bytes);
    if (decoded.size() != bytes.size())
        std::abort();
    if (!decoded.contains(QChar(QChar::ReplacementCharacter))
        && pelmar::DecodeCp1250(pelmar::EncodeCp1250(decoded)) != decoded)
        std::abort();
    if (pelmar::Cp1250Length(pelmar::PadText(text, 40, true)) < 40
        || pelmar::Cp1250Length(pelmar::PadText(text, 40, false)) < 40)
        std::abort();
    const QString trimmed = pelmar::TrimBlanks(text);
    if (pelmar::IsBlank(text) != trimmed.isEmpty())
        std::abort();
    if (!trimmed.isEmpty() && (pelmar::IsBlankChar(trimmed.front()) || pelmar::IsBlankChar(trimmed.back())))
        std::abort();
    return 0;
}
