// Arbitrary text as a price entry line, a resolution text and an integer
// text: parsing never fails, and what is composed parses back the same.
#include "core/PriceData.h"
#include "core/Text.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const pelmar::TPriceData entry = pelmar::ParsePriceData(text);
    const QString composed = pelmar::ComposePriceData(entry);
    // Size and OptRes hold no "|" once parsed, so the composed form is exact.
    if (pelmar::ParsePriceData(composed) != entry)
        std::abort();
    pelmar::SplitResolution(text);
    qint32 value = 0;
    if (pelmar::TryStrToInt(text, value) && pelmar::StrToIntDef(QString::number(value), value + 1) != value)
        std::abort();
    const QByteArray encoded = pelmar::EncodeCp1250(text);
    if (encoded.size() != pelmar::Cp1250Length(text))
        std::abort();
    if (pelmar::Cp1250Length(pelmar::PadText(text, 40, true)) < 40)
        std::abort();
    return 0;
}
