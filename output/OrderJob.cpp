#include "output/OrderJob.h"
#include "core/Texts.h"

#include "core/AddRun.h"
#include "core/AppError.h"
#include "core/PriceData.h"
#include "core/SizeName.h"
#include "output/FileOp.h"
#include "output/OrderBuilder.h"
#include "output/OrderNames.h"
#include "output/ReportPrintouts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <filesystem>

namespace pelmar {

namespace {

[[noreturn]] void bad(const QString& text)
{
    throw AppError(QStringLiteral("Hibás megrendelésleírás: ") + text);
}

void onlyKeys(const QJsonObject& o, const QString& where, std::initializer_list<const char*> allowed)
{
    QSet<QString> known;
    for (const char* k : allowed)
        known.insert(QLatin1String(k));
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!known.contains(it.key()))
            bad(QStringLiteral("ismeretlen mező: \"%1%2\"").arg(where, it.key()));
    }
}

bool hasControl(const QString& s)
{
    for (const QChar c : s) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// A NUL in a path ends it early for the system (another file is copied), and
// a line break in a field splits a line of megrendeles.txt: no text of the
// description may hold a control character.
void refuseControls(const QJsonValue& v, const QString& where)
{
    if (v.isString()) {
        if (hasControl(v.toString()))
            bad(QStringLiteral("a(z) \"%1\" mező vezérlőkaraktert tartalmaz").arg(where));
    } else if (v.isArray()) {
        const QJsonArray a = v.toArray();
        for (qsizetype i = 0; i < a.size(); ++i)
            refuseControls(a[i], QStringLiteral("%1[%2]").arg(where).arg(i + 1));
    } else if (v.isObject()) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            refuseControls(it.value(), where.isEmpty() ? it.key() : where + QLatin1Char('.') + it.key());
    }
}

// The first key that one object of the (well-formed) JSON text holds twice,
// or an empty text. The JSON reader keeps only one of them silently, so a
// doubled "path" or "quantity" would go unnoticed.
QString duplicateKey(const QByteArray& json)
{
    struct Frame
    {
        bool object;
        QSet<QString> keys;
    };
    QList<Frame> stack;
    bool expectKey = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '{' || c == '[') {
            stack.append(Frame {c == '{', QSet<QString>()});
            expectKey = c == '{';
        } else if (c == '}' || c == ']') {
            if (!stack.isEmpty())
                stack.removeLast();
            expectKey = false;
        } else if (c == ',') {
            expectKey = !stack.isEmpty() && stack.last().object;
        } else if (c == '"') {
            // Decoded, so "a" and "\u0061" are the same key.
            QString value;
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] != '\\') {
                    qsizetype end = i;
                    while (end < json.size() && json[end] != '"' && json[end] != '\\')
                        ++end;
                    value += QString::fromUtf8(json.constData() + i, end - i);
                    i = end - 1;
                    continue;
                }
                ++i;
                if (i >= json.size())
                    break;
                switch (json[i]) {
                case 'u':
                    value += QChar(char16_t(json.mid(i + 1, 4).toUShort(nullptr, 16)));
                    i += 4;
                    break;
                case 'n':
                    value += QLatin1Char('\n');
                    break;
                case 't':
                    value += QLatin1Char('\t');
                    break;
                case 'r':
                    value += QLatin1Char('\r');
                    break;
                case 'b':
                    value += QLatin1Char('\b');
                    break;
                case 'f':
                    value += QLatin1Char('\f');
                    break;
                default:
                    value += QLatin1Char(json[i]);
                    break;
                }
            }
            if (expectKey && !stack.isEmpty() && stack.last().object) {
                if (stack.last().keys.contains(value))
                    return value;
                stack.last().keys.insert(value);
            }
            expectKey = false;
        }
    }
    return QString();
}

QString text(const QJsonObject& o, const char* key, const QString& where, bool numberAllowed = false)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return QString();
    if (v.isString())
        return v.toString();
    if (numberAllowed && v.isDouble()) {
        const double d = v.toDouble();
        if (std::floor(d) == d && std::abs(d) < 1e15)
            return QString::number(qint64(d));
    }
    bad(QStringLiteral("a(z) \"%1%2\" mező szöveg legyen").arg(where, QLatin1String(key)));
}

QJsonObject object(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return {};
    if (!v.isObject())
        bad(QStringLiteral("a(z) \"%1\" mező objektum legyen").arg(QLatin1String(key)));
    return v.toObject();
}

QString envelope(const QJsonObject& o)
{
    const QJsonValue v = o.value(QStringLiteral("TasakNo"));
    if (v.isUndefined() || v.isNull())
        return QStringLiteral("000000");
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (std::floor(d) != d || d < 0 || d > 999999)
            bad(QStringLiteral("a tasakszám 0 és 999999 közötti egész szám legyen"));
        return QStringLiteral("%1").arg(qint64(d), 6, 10, QLatin1Char('0'));
    }
    if (!v.isString())
        bad(QStringLiteral("a tasakszám szöveg vagy szám legyen"));
    const QString s = v.toString();
    // The masked field holds exactly six digits.
    bool digits = s.size() == 6;
    for (const QChar c : s)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits)
        bad(QStringLiteral("a tasakszám pontosan hat számjegy legyen: \"%1\"").arg(s));
    return s;
}

// Answers the build's questions on the command line's terms.
class JobHost : public BuildHost
{
public:
    explicit JobHost(const std::function<void(const QString&)>& warn)
        : m_warn(warn)
    {
    }
    QString refusal;

    void partnerRefused(PartnerField, const QString& message) override { refusal = message; }
    void outputFolderChanged(const QString&) override { }
    void copyingStarted(int) override { }
    void beforePicture(int) override { }
    bool cancelRequested() override { return false; }
    bool confirmStop() override { return false; }
    bool continueAfterCopyError(const QString& source, const QString& reason) override
    {
        m_warn(QStringLiteral("Hiba a fájl másolása során: %1\n%2\nA kép nem lesz benne a megrendelésbe.")
                   .arg(source, reason));
        return true;
    }
    void copyingEnded() override { }

private:
    const std::function<void(const QString&)>& m_warn;
};

} // namespace

OrderJob ParseOrderJob(const QByteArray& json)
{
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        // The reader's "illegal value" says little about a file that is no
        // object at all.
        const QByteArray head = json.trimmed();
        if (head.isEmpty())
            bad(QStringLiteral("a leírás üres; egyetlen JSON objektum legyen"));
        if (head == "null")
            bad(QStringLiteral("a leírás null; egyetlen JSON objektum legyen"));
        if (!head.startsWith('{') && !head.startsWith('['))
            bad(QStringLiteral("a leírás nem JSON objektum; egyetlen JSON objektum legyen"));
        bad(QStringLiteral("nem érvényes JSON (%1. bájt: %2)").arg(error.offset + 1).arg(error.errorString()));
    }
    if (!doc.isObject())
        bad(QStringLiteral("a leírás egyetlen JSON objektum legyen"));
    const QString twice = duplicateKey(json);
    if (!twice.isEmpty())
        bad(QStringLiteral("a(z) \"%1\" mező kétszer szerepel egy objektumban").arg(twice));
    const QJsonObject root = doc.object();
    refuseControls(root, QString());
    onlyKeys(root, QString(),
             {"partner", "Megj", "customer", "TasakNo", "BaseFolder", "date", "CDIndex", "prices", "CD", "pictures"});

    OrderJob job;
    const QJsonObject partner = object(root, "partner");
    onlyKeys(partner, QStringLiteral("partner."), {"UserID", "UserNev", "UserHelys", "UserCim", "UserIrsz"});
    const QString p = QStringLiteral("partner.");
    job.fields.UserID = text(partner, "UserID", p, true);
    job.fields.UserNev = text(partner, "UserNev", p);
    job.fields.UserHelys = text(partner, "UserHelys", p);
    job.fields.UserCim = text(partner, "UserCim", p);
    job.fields.UserIrsz = text(partner, "UserIrsz", p);
    job.fields.Megj = text(root, "Megj", QString());
    const QJsonObject customer = object(root, "customer");
    onlyKeys(customer, QStringLiteral("customer."), {"VevoNev", "VevoHelys", "VevoCim", "VevoIrsz"});
    const QString c = QStringLiteral("customer.");
    job.fields.VevoNev = text(customer, "VevoNev", c);
    job.fields.VevoHelys = text(customer, "VevoHelys", c);
    job.fields.VevoCim = text(customer, "VevoCim", c);
    job.fields.VevoIrsz = text(customer, "VevoIrsz", c);
    // The dialog's edits hold at most four characters here.
    job.fields.UserIrsz = job.fields.UserIrsz.left(4);
    job.fields.VevoIrsz = job.fields.VevoIrsz.left(4);
    job.tasakNo = envelope(root);

    const QString base = text(root, "BaseFolder", QString());
    job.baseFolder = base.isEmpty() ? DocumentsFolder() : WithSeparator(base);

    if (root.contains(QStringLiteral("date")) && !root.value(QStringLiteral("date")).isNull()) {
        // Exactly four, two and two ASCII digits: a given but empty or odd
        // date must not quietly become today.
        static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
        const QString date = text(root, "date", QString());
        job.date = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
        if (!shape.match(date).hasMatch() || !job.date.isValid())
            bad(QStringLiteral("a dátum ÉÉÉÉ-HH-NN alakú legyen: \"%1\"").arg(date));
    }

    const QJsonValue cdIndex = root.value(QStringLiteral("CDIndex"));
    if (!cdIndex.isUndefined() && !cdIndex.isNull()) {
        if (!cdIndex.isBool())
            bad(QStringLiteral("a \"CDIndex\" mező true vagy false legyen"));
        job.cdIndex = cdIndex.toBool();
    }
    if (root.contains(QStringLiteral("CD")) && !root.value(QStringLiteral("CD")).isNull()) {
        // The price editor stores whole forints; anything else would print
        // as "abc Ft" and count 0.
        const QString cd = text(root, "CD", QString(), true);
        qint32 value = 0;
        if (!TryStrToInt(cd, value))
            bad(QStringLiteral("a \"CD\" mező egész szám legyen: \"%1\"").arg(cd));
        job.settingValues.append(QStringLiteral("CD=") + cd);
    }

    const QJsonValue prices = root.value(QStringLiteral("prices"));
    if (!prices.isUndefined() && !prices.isArray())
        bad(QStringLiteral("a \"prices\" mező szövegek tömbje legyen"));
    for (const QJsonValue& v : prices.toArray()) {
        if (!v.isString())
            bad(QStringLiteral("a \"prices\" mező szövegek tömbje legyen"));
        job.prices.append(v.toString());
    }
    // Sizes that differ only in letter case are one size to the size box;
    // the price editor refuses the second, and so does the build.
    const QStringList sizes = SizeNames(job.prices);
    const SizeIndex sizeIndex(sizes);
    for (int i = 1; i < sizes.size(); ++i) {
        const int first = sizeIndex.firstBefore(i);
        if (first >= 0)
            bad(QStringLiteral("a(z) \"%1\" méret kétszer szerepel az árlistában (\"%2\")")
                    .arg(sizes[i], sizes[first]));
    }

    const QJsonValue pictures = root.value(QStringLiteral("pictures"));
    if (!pictures.isUndefined() && !pictures.isArray())
        bad(QStringLiteral("a \"pictures\" mező tömb legyen"));
    int index = 0;
    for (const QJsonValue& v : pictures.toArray()) {
        ++index;
        const QString where = QStringLiteral("pictures[%1].").arg(index);
        if (!v.isObject())
            bad(QStringLiteral("a(z) %1. kép leírása objektum legyen").arg(index));
        const QJsonObject o = v.toObject();
        onlyKeys(o, where, {"path", "size", "fill", "quantity"});
        OrderJob::Picture pic;
        pic.path = text(o, "path", where);
        pic.size = text(o, "size", where);
        if (pic.path.isEmpty())
            bad(QStringLiteral("a(z) %1. képnek nincs útvonala").arg(index));
        const QString fill = text(o, "fill", where);
        if (fill == FillModeName(true) || fill.isEmpty())
            pic.fill = true;
        else if (fill == FillModeName(false))
            pic.fill = false;
        else
            bad(QStringLiteral("a(z) %1. kép kitöltése \"fill\" vagy \"fit\" legyen").arg(index));
        const QJsonValue q = o.value(QStringLiteral("quantity"));
        if (!q.isUndefined()) {
            const double d = q.toDouble(-1);
            if (!q.isDouble() || std::floor(d) != d || d < 0 || d > 1000)
                bad(QStringLiteral("a(z) %1. kép darabszáma 0 és 1000 közötti egész szám legyen").arg(index));
            pic.quantity = int(d);
        }
        job.pictures.append(pic);
    }
    return job;
}

OrderJob ReadOrderJobFile(const QString& path)
{
    std::error_code ec;
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    if (!std::filesystem::exists(native, ec))
        throw AppError(QStringLiteral("%1: a fájl nem található").arg(path));
    // Opening a FIFO or a device for reading could wait for ever.
    if (!std::filesystem::is_regular_file(native, ec))
        throw AppError(QStringLiteral("%1: nem megrendelésfájl (nem közönséges fájl)").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    if (file.size() > kMaxOrderJobBytes)
        throw AppError(QStringLiteral("%1: a fájl túl nagy egy megrendelésleíráshoz").arg(path));
    // Read as far as the file goes, in pieces of what it holds: a buffer of
    // the largest size for a description of a few kilobytes would cost 64 MB
    // of memory per read. A file that grows meanwhile is read to the limit.
    QByteArray json;
    while (json.size() <= kMaxOrderJobBytes) {
        const qint64 rest = qMax<qint64>(file.size() - json.size(), 0) + 1;
        const QByteArray piece
            = file.read(qMin<qint64>(qMin<qint64>(rest, 1024 * 1024), kMaxOrderJobBytes + 1 - json.size()));
        if (file.error() != QFileDevice::NoError)
            throw AppError(QStringLiteral("%1: %2").arg(path, file.errorString()));
        if (piece.isEmpty())
            break;
        json += piece;
    }
    if (json.size() > kMaxOrderJobBytes)
        throw AppError(QStringLiteral("%1: a fájl túl nagy egy megrendelésleíráshoz").arg(path));
    return ParseOrderJob(json);
}

QByteArray OrderJobJson(const OrderJob& job, bool withEnvelopeAndFolder)
{
    QJsonObject root;
    const OrderFields& f = job.fields;
    root.insert(QStringLiteral("partner"),
                QJsonObject {{QStringLiteral("UserID"), f.UserID},
                             {QStringLiteral("UserNev"), f.UserNev},
                             {QStringLiteral("UserHelys"), f.UserHelys},
                             {QStringLiteral("UserCim"), f.UserCim},
                             {QStringLiteral("UserIrsz"), f.UserIrsz}});
    root.insert(QStringLiteral("Megj"), f.Megj);
    root.insert(QStringLiteral("customer"),
                QJsonObject {{QStringLiteral("VevoNev"), f.VevoNev},
                             {QStringLiteral("VevoHelys"), f.VevoHelys},
                             {QStringLiteral("VevoCim"), f.VevoCim},
                             {QStringLiteral("VevoIrsz"), f.VevoIrsz}});
    if (withEnvelopeAndFolder) {
        root.insert(QStringLiteral("TasakNo"), job.tasakNo);
        root.insert(QStringLiteral("BaseFolder"), job.baseFolder);
    }
    if (job.date.isValid())
        root.insert(QStringLiteral("date"), job.date.toString(Qt::ISODate));
    root.insert(QStringLiteral("CDIndex"), job.cdIndex);
    const QString cd = SettingText(job.settingValues, QStringLiteral("CD"));
    if (!cd.isEmpty())
        root.insert(QStringLiteral("CD"), cd);
    root.insert(QStringLiteral("prices"), QJsonArray::fromStringList(job.prices));
    QJsonArray pictures;
    for (const OrderJob::Picture& p : job.pictures) {
        pictures.append(QJsonObject {{QStringLiteral("path"), p.path},
                                     {QStringLiteral("size"), p.size},
                                     {QStringLiteral("fill"), FillModeName(p.fill)},
                                     {QStringLiteral("quantity"), p.quantity}});
    }
    root.insert(QStringLiteral("pictures"), pictures);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString RunOrderJob(const OrderJob& job, const std::function<void(const QString&)>& warn, int* leftOut)
{
    int refused = 0;
    const SizeIndex sizes(SizeNames(job.prices));
    OrderModel order;
    order.beginBatch();
    AddRun run(order);
    for (int i = 0; i < job.pictures.size(); ++i) {
        const OrderJob::Picture& pic = job.pictures[i];
        const int entry = sizes.find(pic.size);
        if (entry < 0)
            throw AppError(
                QStringLiteral("Ismeretlen méret: \"%1\" (%2. kép: %3)").arg(pic.size).arg(i + 1).arg(pic.path));
        // The window's rules; a file that cannot be measured is refused with
        // the runtime's words.
        QString refusal;
        try {
            refusal = run.add(pic.path, ParsePriceData(job.prices[entry]), pic.fill, pic.quantity).refusal;
        } catch (const AppError& e) {
            refusal = e.message() + QStringLiteral(": ") + pic.path;
        }
        if (!refusal.isEmpty()) {
            // The check's own message names no file (the window shows it
            // while the file is in view); here it needs the path.
            warn(QStringLiteral("A kép kimarad a megrendelésből: %1\n%2").arg(pic.path, refusal));
            ++refused;
        }
    }
    order.endBatch();
    if (order.isEmpty())
        throw AppError(kEmptyOrderText);

    // The dialog's opening steps.
    const OrderPlan plan = PlanOrder(order.lines());
    for (int i = 0; i < plan.newNames.size(); ++i)
        order.setNewName(i, plan.newNames[i]);
    const QDate date = job.date.isValid() ? job.date : OrderToday();
    const qint64 cdFee = job.cdIndex ? CdPrice(job.settingValues) : 0;

    BuildInput input;
    input.lines = order.lines();
    input.fields = job.fields;
    input.outputFolder = OrderFolderPath(job.baseFolder, date, job.tasakNo);
    input.totalText = QString::number(plan.picturesTotal + cdFee) + QStringLiteral(" Ft");
    input.printData = false;
    input.printSumData = false;
    input.cdIndex = job.cdIndex;
    input.settingValues = job.settingValues;
    input.sizes = plan.sizes;
    input.targets = plan.targets;

    JobHost host(warn);
    ReportPrintouts printouts;
    printouts.setPrintDate(date);
    TFileOperation fo;
    fo.setOperation(foCopy);
    fo.setFlags(fofNoConfirmation | fofNoConfirmMkDir | fofSilent);
    OrderBuilder builder(host, &printouts, fo);
    builder.setPreviewAllowed(false);
    const BuildResult result = builder.run(input);
    if (result == BuildResult::Refused)
        throw AppError(host.refusal);
    if (leftOut)
        *leftOut = refused + int(builder.skipped().size());
    return builder.orderFolder();
}

} // namespace pelmar
