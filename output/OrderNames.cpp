#include "output/OrderNames.h"

#include "core/PictureCheck.h"
#include "core/PriceData.h"
#include "core/SizeName.h"
#include "core/Text.h"

#include <QDir>
#include <QStandardPaths>

namespace pelmar {

namespace {

QDate g_fixedToday;

QString money(qint64 value)
{
    return QString::number(value) + QStringLiteral(" Ft");
}

} // namespace

QString ExtensionOf(const QString& path)
{
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString NewPictureName(int sequence)
{
    return QStringLiteral("kep") + QStringLiteral("%1").arg(sequence, 5, 10, QLatin1Char('0'));
}

bool IsOrderPictureName(const QString& fileName)
{
    if (!fileName.startsWith(QLatin1String("kep")))
        return false;
    qsizetype end = 3;
    while (end < fileName.size() && fileName[end] >= QLatin1Char('0') && fileName[end] <= QLatin1Char('9'))
        ++end;
    const qsizetype digits = end - 3;
    // Five digits with leading zeros; more only without (kep100000).
    if (digits < 5 || (digits > 5 && fileName[3] == QLatin1Char('0')) || fileName.mid(3, digits).toLongLong() == 0)
        return false;
    const QString ext = fileName.mid(end);
    if (!ext.startsWith(QLatin1Char('.')) || ext.indexOf(QLatin1Char('.'), 1) >= 0)
        return false;
    const QString lower = ext.toLower();
    return lower == u".jpg" || lower == u".jpeg" || lower.startsWith(u".tif");
}

QString SizeRow::quantityText() const
{
    return QString::number(quantity) + QStringLiteral(" db");
}

QString SizeRow::unitPriceText() const
{
    return money(unitPrice);
}

QString SizeRow::grossText() const
{
    return money(amount());
}

QString SizeRow::summaryItem() const
{
    return caption + QLatin1Char('|') + quantityText() + QLatin1Char('|') + unitPriceText() + QLatin1Char('|')
        + grossText();
}

OrderPlan PlanOrder(const QList<OrderLine>& lines)
{
    OrderPlan plan;
    int sequence = 1;
    for (const OrderLine& line : lines) {
        const QString& size = line.SubItems[SubSize];
        const QString& quantity = line.SubItems[SubQuantity];
        auto row = std::find_if(plan.sizes.begin(), plan.sizes.end(),
                                [&](const SizeRow& r) { return SameSizeName(r.caption, size); });
        if (row != plan.sizes.end())
            row->quantity += StrToInt(quantity);
        else
            plan.sizes.append({size, StrToInt(quantity), line.Data});
        const QString name = NewPictureName(sequence++);
        plan.newNames.append(name);
        plan.targets.append(GroupFolderName(size, line.SubItems[SubFill], quantity) + QLatin1Char('/') + name
                            + ExtensionOf(line.SubItems[SubPath]));
    }
    for (const SizeRow& row : plan.sizes)
        plan.picturesTotal += row.amount();
    return plan;
}

QString GroupFolderOf(const QString& target)
{
    return target.section(QLatin1Char('/'), 0, 0);
}

QString OrderFolderPath(const QString& baseFolder, const QDate& date, const QString& envelope)
{
    return baseFolder + QStringLiteral("Pelmar-") + date.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('-')
        + TrimBlanks(envelope) + QLatin1Char('/');
}

QString WithSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString DocumentsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return WithSeparator(folder);
}

QDate OrderToday()
{
    return g_fixedToday.isValid() ? g_fixedToday : QDate::currentDate();
}

void setOrderTodayForTests(const QDate& date)
{
    g_fixedToday = date;
}

} // namespace pelmar
