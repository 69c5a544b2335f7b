#include "output/OrderText.h"

#include "core/PictureCheck.h"
#include "core/Text.h"
#include "output/OrderNames.h"

namespace pelmar {

namespace {

// Column widths of the item table: file name, source name, fill mode,
// quantity, unit price, line total.
constexpr int kWidths[6] = {14, 26, 5, 5, 15, 15};
constexpr bool kRight[6] = {false, false, false, true, true, true};

QString columns(const QString (&values)[6])
{
    QString out;
    for (int i = 0; i < 6; ++i)
        out += PadText(values[i], kWidths[i], kRight[i]);
    return out;
}

} // namespace

QString SettingText(const QStringList& settingValues, const QString& name)
{
    for (const QString& entry : settingValues) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq >= 0 && entry.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return entry.mid(eq + 1);
    }
    return QString();
}

void OrderText::addTitle()
{
    m_lines << QStringLiteral("Pelmar digitális fotórendelés") << QString(33, QLatin1Char('=')) << QString()
            << QString() << QStringLiteral("Partner adatok:") << QString(15, QLatin1Char('-')) << QString();
}

void OrderText::addField(const QString& label, const QString& value)
{
    m_lines << label + value;
}

void OrderText::addCustomerBlock(const OrderFields& f)
{
    m_lines << QString() << QStringLiteral("Vásárló adatai:") << QString(15, QLatin1Char('-')) << QString();
    addField(QStringLiteral("Név: "), f.VevoNev);
    addField(QStringLiteral("Helység: "), f.VevoHelys);
    addField(QStringLiteral("Cím: "), f.VevoCim);
    addField(QStringLiteral("Irányítószám: "), f.VevoIrsz);
    m_lines << QString();
}

QString OrderText::columnHeader()
{
    return columns({QStringLiteral("Fájlnév"), QStringLiteral("Eredeti név"), QStringLiteral("Kit."),
                    QStringLiteral("Darab"), QStringLiteral("Egységár"), QStringLiteral("Összesen")});
}

QString OrderText::itemLine(const OrderLine& line)
{
    const QString path = line.SubItems[SubPath];
    return columns({line.SubItems[SubNewName] + ExtensionOf(path), FileNameOf(path), line.SubItems[SubFill],
                    line.SubItems[SubQuantity], line.SubItems[SubUnitPrice], line.SubItems[SubLineTotal]});
}

void OrderText::addItemHeader()
{
    m_lines << QStringLiteral("TÉTELEK:") << QString(8, QLatin1Char('-')) << QString() << columnHeader()
            << QString(80, QLatin1Char('-'));
}

void OrderText::addItem(const OrderLine& line)
{
    m_lines << itemLine(line);
}

void OrderText::addClosing(bool cdOrdered, const QString& cdText, const QString& totalText)
{
    m_lines << QString();
    if (cdOrdered)
        m_lines << QStringLiteral("CD írás és indexkép: ") + PadText(cdText + QStringLiteral(" Ft"), 14, true);
    m_lines << QString(35, QLatin1Char('='));
    m_lines << QStringLiteral("Összesen:           ") + PadText(totalText, 15, true);
}

QByteArray OrderText::encoded() const
{
    QByteArray out;
    for (const QString& line : m_lines) {
        out += EncodeCp1250(line);
        out += "\r\n";
    }
    return out;
}

QByteArray OrderText::compose(const OrderFields& f, const QList<OrderLine>& copied, bool cdOrdered,
                              const QString& cdText, const QString& totalText)
{
    OrderText text;
    text.addTitle();
    text.addField(QStringLiteral("Üzletszám: "), f.UserID);
    text.addField(QStringLiteral("Név: "), f.UserNev);
    text.addField(QStringLiteral("Helység: "), f.UserHelys);
    text.addField(QStringLiteral("Cím: "), f.UserCim);
    text.addField(QStringLiteral("Irányítószám: "), f.UserIrsz);
    text.addField(QStringLiteral("Megjegyzés: "), f.Megj);
    text.addCustomerBlock(f);
    text.addItemHeader();
    for (const OrderLine& line : copied)
        text.addItem(line);
    text.addClosing(cdOrdered, cdText, totalText);
    return text.encoded();
}

} // namespace pelmar
