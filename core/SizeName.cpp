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
    if (size == QLatin1String(".") || size == QLatin1String(".."))
        return SizeNameFault::Dots;
    if (size.endsWith(QLatin1Char('.')) || size.endsWith(QLatin1Char(' ')))
        return SizeNameFault::Ending;
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
    case SizeNameFault::Dots:
        return QStringLiteral("nem lehet \".\" vagy \"..\"");
    case SizeNameFault::Ending:
        return QStringLiteral("nem végződhet pontra vagy szóközre");
    case SizeNameFault::Length:
        return QStringLiteral("túl hosszú (a mappa neve legfeljebb %1 bájt lehet)").arg(kMaxFolderNameBytes);
    }
    return QString();
}

bool SameSizeName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace pelmar
