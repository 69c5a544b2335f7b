#include "output/LabAddress.h"

#include "platform/LabInfo.h"

namespace pelmar {

LabAddress splitLabAddress(const QString& address)
{
    LabAddress out;
    const QString head = address.section(QLatin1Char(','), 0, 0).trimmed();
    out.street = address.section(QLatin1Char(','), 1).trimmed();
    const qsizetype blank = head.indexOf(QLatin1Char(' '));
    if (blank > 0 && head.left(blank).toInt() > 0) {
        out.postalCode = head.left(blank);
        out.town = head.mid(blank + 1).trimmed();
    } else {
        out.town = head;
    }
    return out;
}

LabAddress labAddress()
{
    return splitLabAddress(QString::fromUtf8(LabInfo::kLabAddress));
}

} // namespace pelmar
