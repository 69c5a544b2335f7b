#include "core/PriceData.h"

#include "core/AppError.h"
#include "core/SizeName.h"

#include <limits>

namespace pelmar {

TPriceData ParsePriceData(const QString& text)
{
    TPriceData entry;
    const qsizetype first = text.indexOf(QLatin1Char('|'));
    if (first < 0)
        return entry;
    entry.Size = text.left(first);
    const qsizetype second = text.indexOf(QLatin1Char('|'), first + 1);
    if (second < 0)
        return entry;
    entry.Price = StrToIntDef(text.mid(first + 1, second - first - 1), 0);
    const qsizetype third = text.indexOf(QLatin1Char('|'), second + 1);
    if (third < 0)
        return entry;
    entry.OptRes = text.mid(second + 1, third - second - 1);
    entry.MinRes = text.mid(third + 1);
    return entry;
}

QString ComposePriceData(const TPriceData& entry)
{
    return entry.Size + QLatin1Char('|') + QString::number(entry.Price) + QLatin1Char('|') + entry.OptRes
        + QLatin1Char('|') + entry.MinRes;
}

bool TryStrToInt(const QString& text, qint32& value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= n)
        return false;
    // Accumulate as a negative number so that the most negative value fits.
    qint64 acc = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        acc = acc * 10 + (c - u'0');
        if (acc > qint64(std::numeric_limits<qint32>::max()) + 1)
            return false;
    }
    if (negative)
        acc = -acc;
    if (acc > std::numeric_limits<qint32>::max() || acc < std::numeric_limits<qint32>::min())
        return false;
    value = qint32(acc);
    return true;
}

qint32 StrToIntDef(const QString& text, qint32 fallback)
{
    qint32 v = 0;
    return TryStrToInt(text, v) ? v : fallback;
}

qint32 StrToInt(const QString& text)
{
    qint32 v = 0;
    if (!TryStrToInt(text, v))
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

Resolution SplitResolution(const QString& text)
{
    Resolution r;
    const qsizetype x = text.indexOf(QLatin1Char('x'));
    if (x < 0) {
        r.B = StrToIntDef(text, 0);
        return r;
    }
    r.A = StrToIntDef(text.left(x), 0);
    r.B = StrToIntDef(text.mid(x + 1), 0);
    return r;
}

int FindSizeIndex(const QStringList& sizes, const QString& name)
{
    for (int i = 0; i < sizes.size(); ++i)
        if (SameSizeName(sizes[i], name))
            return i;
    return -1;
}

QStringList SizeNames(const QStringList& priceList)
{
    QStringList out;
    out.reserve(priceList.size());
    for (const QString& line : priceList)
        out.append(ParsePriceData(line).Size);
    return out;
}

qint32 SettingValue(const QStringList& settingValues, const QString& name)
{
    for (const QString& line : settingValues) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return StrToIntDef(line.mid(eq + 1), 0);
    }
    return 0;
}

qint32 CdPrice(const QStringList& settingValues)
{
    return SettingValue(settingValues, QStringLiteral("CD"));
}

void SetSettingValue(QStringList& settingValues, const QString& name, qint32 value)
{
    const QString line = name + QLatin1Char('=') + QString::number(value);
    for (QString& existing : settingValues) {
        const qsizetype eq = existing.indexOf(QLatin1Char('='));
        if (eq >= 0 && existing.left(eq).compare(name, Qt::CaseInsensitive) == 0) {
            existing = line;
            return;
        }
    }
    settingValues.append(line);
}

} // namespace pelmar
