#include "output/LabAddress.h"

// The lab's record comes with the web links; until that header is part of
// this tree the same address stands here.
#if __has_include("platform/LabInfo.h")
#include "platform/LabInfo.h"
#else
namespace pelmar::LabInfo {
inline constexpr char kLabAddress[] = "1134 Budapest, Váci út 45.";
}
#endif

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
