#include "core/SizeName.h"

#include "core/OrderModel.h"
#include "core/Text.h"

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

namespace {

// Two names are the same size when SameSizeName says so: QString's
// case-insensitive comparison, which folds each code point on its own. The
// key folds the same way, so equal keys are exactly the same sizes.
QString sizeKey(const QString& name)
{
    QString key;
    key.reserve(name.size());
    AppendCaseFolded(key, name);
    return key;
}

} // namespace

SizeIndex::SizeIndex(const QStringList& sizes)
{
    m_first.reserve(sizes.size());
    m_firstOf.reserve(sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        const QString key = sizeKey(sizes[i]);
        const auto it = m_first.constFind(key);
        if (it == m_first.constEnd()) {
            m_first.insert(key, i);
            m_firstOf.append(i);
        } else {
            m_firstOf.append(it.value());
        }
    }
}

int SizeIndex::find(const QString& name) const
{
    return m_first.value(sizeKey(name), -1);
}

int SizeIndex::firstBefore(int index) const
{
    if (index < 0 || index >= m_firstOf.size())
        return -1;
    const int first = m_firstOf[index];
    return first < index ? first : -1;
}

} // namespace pelmar
