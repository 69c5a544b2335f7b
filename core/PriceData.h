#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace pelmar {

// One price entry of the partner's price list. Its text form is one line:
// Size|Price|OptRes|MinRes, where MinRes takes the whole rest of the line.
struct TPriceData
{
    QString Size;
    qint32 Price = 0;
    QString OptRes;
    QString MinRes;

    bool operator==(const TPriceData&) const = default;
};

// Splits a price entry text. Never fails: missing parts come out empty or 0.
TPriceData ParsePriceData(const QString& text);

// The text form of an entry, as the price list editor writes it back.
QString ComposePriceData(const TPriceData& entry);

// Integer conversion with default: optional leading blanks, an optional sign,
// decimal digits and nothing after them, within the signed 32-bit range.
// Anything else (empty text included) gives fallback.
qint32 StrToIntDef(const QString& text, qint32 fallback);

// Strict integer conversion: the same texts as StrToIntDef; anything else
// throws AppError("'<text>' is not a valid integer value").
qint32 StrToInt(const QString& text);

// Same acceptance rule; returns false instead of throwing.
bool TryStrToInt(const QString& text, qint32& value);

// A text A "x" B (first lower-case x) as two integers, 0 for a missing or
// invalid side; a text without "x" gives 0 and the whole text's value.
struct Resolution
{
    qint32 A = 0; // least height
    qint32 B = 0; // least width
};
Resolution SplitResolution(const QString& text);

// Index of the first entry whose Size equals name (letter case ignored), or -1.
// sizes are the size box items, i.e. the Size of each PriceList entry in order.
int FindSizeIndex(const QStringList& sizes, const QString& name);

// The Size of every entry of a price list, in order (the size box items).
QStringList SizeNames(const QStringList& priceList);

// The "CD" value of SettingValues (name=value lines); 0 when missing or not
// an integer.
qint32 SettingValue(const QStringList& settingValues, const QString& name);
qint32 CdPrice(const QStringList& settingValues);
// Sets (or appends) name=value in SettingValues.
void SetSettingValue(QStringList& settingValues, const QString& name, qint32 value);

} // namespace pelmar
