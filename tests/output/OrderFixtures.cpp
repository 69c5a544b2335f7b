#include "tests/output/OrderFixtures.h"

#include "core/AppError.h"

#include <QFile>

namespace pelmar::test {

OrderLine makeLine(const QString& path, const QString& size, qint32 price, bool fill, int quantity)
{
    OrderModel model;
    addLine(model, path, size, price, fill, quantity);
    return model.line(0);
}

int addLine(OrderModel& model, const QString& path, const QString& size, qint32 price, bool fill, int quantity)
{
    const TPriceData entry {size, price, QStringLiteral("1200x1800"), QStringLiteral("800x1200")};
    return model.AddOrderLine(path, QStringLiteral("1800x1200"), 0, QString(), fill, entry, QString::number(quantity),
                              quantity);
}

OrderPlan planAndName(OrderModel& model)
{
    const OrderPlan plan = PlanOrder(model.lines());
    for (int i = 0; i < plan.newNames.size(); ++i)
        model.setNewName(i, plan.newNames[i]);
    return plan;
}

QString appErrorOf(const std::function<void()>& run)
{
    try {
        run();
    } catch (const AppError& e) {
        return e.message();
    }
    return QString();
}

TUserData examplePartner()
{
    TUserData p;
    p.UserID = 123;
    p.UserName = QStringLiteral("Minta Fotó Bt.");
    p.UserHelys = QStringLiteral("Kisváros");
    p.UserCim = QStringLiteral("Fő utca 1.");
    p.UserIrsz = QStringLiteral("9999");
    return p;
}

OrderFields exampleFields()
{
    OrderFields f;
    f.UserID = QStringLiteral("123");
    f.UserNev = QStringLiteral("Minta Fotó Bt.");
    f.UserHelys = QStringLiteral("Kisváros");
    f.UserCim = QStringLiteral("Fő utca 1.");
    f.UserIrsz = QStringLiteral("9999");
    return f;
}

QByteArray exampleOrderText(bool withCd)
{
    // Code page 1250 bytes of the accented letters used below.
    const QByteArray a = "\xE1", e = "\xE9", o = "\xF3", oo = "\xF5", O = "\xD6", U = "\xDC", E = "\xC9", i = "\xED";
    QList<QByteArray> lines = {
        "Pelmar digit" + a + "lis fot" + o + "rendel" + e + "s",
        "=================================",
        "",
        "",
        "Partner adatok:",
        "---------------",
        "",
        U + "zletsz" + a + "m: 123",
        "N" + e + "v: Minta Fot" + o + " Bt.",
        "Helys" + e + "g: Kisv" + a + "ros",
        "C" + i + "m: F" + oo + " utca 1.",
        "Ir" + a + "ny" + i + "t" + o + "sz" + a + "m: 9999",
        "Megjegyz" + e + "s: ",
        "",
        "V" + a + "s" + a + "rl" + o + " adatai:",
        "---------------",
        "",
        "N" + e + "v: ",
        "Helys" + e + "g: ",
        "C" + i + "m: ",
        "Ir" + a + "ny" + i + "t" + o + "sz" + a + "m: ",
        "",
        "T" + E + "TELEK:",
        "--------",
        "",
        "F" + a + "jln" + e + "v       Eredeti n" + e + "v               Kit. Darab       Egys" + e + "g" + a
            + "r       " + O + "sszesen",
        QByteArray(80, '-'),
        "kep00001.JPG  IMG_0001.JPG              fill     2         120 Ft         240 Ft",
        "kep00002.jpg  nyaralas.jpg              fit      1         150 Ft         150 Ft",
        "",
    };
    if (withCd)
        lines << "CD " + i + "r" + a + "s " + e + "s indexk" + e + "p:         500 Ft";
    lines << QByteArray(35, '=');
    lines << O
            + (withCd ? QByteArray("sszesen:                    890 Ft")
                      : QByteArray("sszesen:                    390 Ft"));
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + "\r\n";
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace pelmar::test
