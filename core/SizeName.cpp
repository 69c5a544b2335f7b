#include "core/SizeName.h"

#include "core/OrderModel.h"

namespace pelmar {

QString GroupFolderName(const QString& size, const QString& fill, const QString& quantity)
{
    return size + QLatin1Char('-') + fill + QLatin1Char('-') + quantity;
}

SizeNameFault CheckSizeName(const QString& size)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : size) {
        if (forbidden.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return SizeNameFault::Character;
    }
    if (size.isEmpty())
        return SizeNameFault::Empty;
    // With the longest fill mode and quantity an order can give it.
    if (GroupFolderName(size, FillModeName(true), QString::number(kMaxQuantity)).toUtf8().size() > kMaxFolderNameBytes)
        return SizeNameFault::Length;
    return SizeNameFault::None;
}

QString SizeNameProblem(const QString& size)
{
    switch (CheckSizeName(size)) {
    case SizeNameFault::None:
        break;
    case SizeNameFault::Empty:
        return QStringLiteral("üres");
    case SizeNameFault::Character:
        return QStringLiteral("tiltott karaktert tartalmaz (\\ / : * ? \" < > | vagy vezérlőkarakter)");
    case SizeNameFault::Length:
        return QStringLiteral("túl hosszú (a mappa neve legfeljebb %1 bájt lehet)").arg(kMaxFolderNameBytes);
    }
    return QString();
}

bool IsGroupFolderName(const QString& name)
{
    // The size may hold "-" itself; fill and quantity are the last two parts.
    const qsizetype quantityDash = name.lastIndexOf(QLatin1Char('-'));
    if (quantityDash <= 0)
        return false;
    const qsizetype fillDash = name.lastIndexOf(QLatin1Char('-'), quantityDash - 1);
    if (fillDash < 0)
        return false;
    const QString quantity = name.mid(quantityDash + 1);
    const QString fill = name.mid(fillDash + 1, quantityDash - fillDash - 1);
    if (fill != FillModeName(true) && fill != FillModeName(false))
        return false;
    if (quantity.isEmpty() || quantity.size() > 4)
        return false;
    for (const QChar c : quantity)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    if (quantity.toInt() > kMaxQuantity)
        return false;
    return CheckSizeName(name.left(fillDash)) == SizeNameFault::None;
}

bool SameSizeName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace pelmar
