#include "output/OrderBuilder.h"
#include "core/Texts.h"

#include "core/AppError.h"
#include "core/PriceData.h"
#include "core/SizeName.h"
#include "core/Text.h"
#include "output/FileOp.h"
#include "output/LabAddress.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmar {

namespace {

// Runs a closing action on every way out of a scope.
template <typename F> class Finally
{
public:
    explicit Finally(F f)
        : m_f(std::move(f))
    {
    }
    ~Finally() { m_f(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F m_f;
};

QString totalQuantityText(const QList<OrderLine>& lines)
{
    qint64 sum = 0;
    for (const OrderLine& line : lines)
        sum += StrToIntDef(line.SubItems[SubQuantity], 0);
    return QString::number(sum) + QStringLiteral(" db");
}

// The file error of a write that failed, in the runtime's words.
[[noreturn]] void throwCreateError(const QString& path, const QString& why)
{
    throw AppError(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), why));
}

// One flush of the whole order folder's file system: the pictures, the text
// and the printouts reach the disk before the user is told to burn them. A
// failed flush means some of them may not have: that is a failed build.
void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int err = fd < 0 ? errno : 0;
    if (fd >= 0) {
        if (::syncfs(fd) != 0)
            err = errno;
        ::close(fd);
    }
    if (err != 0) {
        throw AppError(QStringLiteral("A megrendelés mappája nem írható ki teljesen a lemezre:\n%1\n%2")
                           .arg(QDir::toNativeSeparators(folder), ErrnoText(err)));
    }
}

// The temporary files that a killed build left in the folders this build
// writes: they must not travel to the lab with the order.
void removeLeftovers(const QString& folder, const QStringList& targets)
{
    QSet<QString> folders {folder};
    for (const QString& target : targets)
        folders.insert(folder + target.section(QLatin1Char('/'), 0, 0));
    for (const QString& f : folders)
        RemoveTemporaryFiles(f);
}

// An order folder built again (the same envelope number and day) holds the
// order text of the earlier build, which marks a folder as complete. It goes
// before the first copy: a build that then fails or is stopped half way must
// leave a folder that the disc and the send refuse, not one that mixes the
// two builds under the earlier build's mark.
void withdrawCompleteMark(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder + kOrderTextFileName);
    struct stat st;
    // A folder of that name is no mark; the write at the end reports it.
    if (::lstat(path.constData(), &st) != 0 || S_ISDIR(st.st_mode) || ::unlink(path.constData()) == 0)
        return;
    const int err = errno;
    if (err != ENOENT) {
        throw AppError(QStringLiteral("Cannot delete file \"%1\". %2")
                           .arg(QDir::toNativeSeparators(folder + kOrderTextFileName), ErrnoText(err)));
    }
}

} // namespace

OrderBuilder::OrderBuilder(BuildHost& host, PrintoutSink* printouts, TFileOperation& copier)
    : m_host(host)
    , m_printouts(printouts)
    , m_copier(copier)
{
}

PrintoutLabels OrderBuilder::labelsFor(const BuildInput& in)
{
    PrintoutLabels l;
    const OrderFields& f = in.fields;
    l.captions = {
        {QStringLiteral("LCegNev"), f.UserNev},
        {QStringLiteral("LCegHelys"), f.UserHelys},
        {QStringLiteral("LCegCim"), f.UserCim},
        {QStringLiteral("LCegIrsz"), f.UserIrsz},
        {QStringLiteral("LMegj"), f.Megj},
        {QStringLiteral("LVevoNev"), f.VevoNev},
        {QStringLiteral("LVevoHelys"), f.VevoHelys},
        {QStringLiteral("LVevoCim"), f.VevoCim},
        {QStringLiteral("LVevoIrsz"), f.VevoIrsz},
        {QStringLiteral("LSumMegr"), in.totalText},
        {QStringLiteral("QRLabel17"), SettingText(in.settingValues, QStringLiteral("CD")) + QStringLiteral(" Ft")},
    };
    l.enabled = {
        {QStringLiteral("LNotFinal"), false},
        {QStringLiteral("QRLabel16"), in.cdIndex},
        {QStringLiteral("QRLabel17"), in.cdIndex},
    };
    return l;
}

QString OrderBuilder::targetProblem(const BuildInput& in)
{
    if (in.targets.size() != in.lines.size())
        return QStringLiteral("A megrendelés tételei megváltoztak; nyissa meg újra a megrendelést.");
    for (int i = 0; i < in.lines.size(); ++i) {
        const OrderLine& line = in.lines[i];
        const QString size = line.SubItems[SubSize];
        const QString why = SizeNameProblem(size);
        if (!why.isEmpty()) {
            return QStringLiteral("A(z) %1. tétel (%2) mérete, \"%3\", nem lehet mappa neve: %4.\n"
                                  "Javítsa a méret nevét az árlistában, majd módosítsa a tételt.")
                .arg(i + 1)
                .arg(line.Caption, size, why);
        }
        // With a clean size name nothing but the folder itself can be the
        // target's parent; checked anyway, as the copy must never land
        // outside the order folder.
        const QString target = in.targets[i];
        const QStringList parts = target.split(QLatin1Char('/'));
        const bool escapes = parts.size() != 2 || parts[0].isEmpty() || parts[1].isEmpty()
            || parts.contains(QStringLiteral("..")) || parts.contains(QStringLiteral("."));
        if (escapes) {
            return QStringLiteral("A(z) %1. tétel (%2) célhelye, \"%3\", a megrendelés mappáján kívülre mutat.")
                .arg(i + 1)
                .arg(line.Caption, target);
        }
    }
    return QString();
}

QString OrderBuilder::finalMessage(const QString& folder)
{
    const LabAddress lab = labAddress();
    return QStringLiteral("Megrendelése elkészült az alábbi mappába:\n\n") + folder
        + QStringLiteral("\n\nÍrja ki a mappa tartalmát egy CD lemezre és juttassa el áruházunk címére:")
        + QStringLiteral("\n\nPelmar Kft.") + QLatin1Char('\n') + lab.town + QLatin1Char('\n') + lab.street
        + QLatin1Char('\n') + lab.postalCode;
}

BuildResult OrderBuilder::run(BuildInput& in)
{
    m_stop = StopReason::None;
    m_skipped.clear();
    m_folder.clear();
    const OrderFields& f = in.fields;

    // Checking: nothing on disk changes.
    OrderText text;
    text.addTitle();
    if (StrToIntDef(f.UserID, -1) <= 0) {
        m_host.partnerRefused(PartnerField::UserID, QStringLiteral("Hibás üzletszám!"));
        return BuildResult::Refused;
    }
    text.addField(QStringLiteral("Üzletszám: "), f.UserID);
    struct Required
    {
        PartnerField field;
        const QString& value;
        const char16_t* label;
        const char16_t* name;
    };
    const Required required[] = {
        {PartnerField::UserNev, f.UserNev, u"Név: ", u"Név"},
        {PartnerField::UserHelys, f.UserHelys, u"Helység: ", u"Helység"},
        {PartnerField::UserCim, f.UserCim, u"Cím: ", u"Cím"},
        {PartnerField::UserIrsz, f.UserIrsz, u"Irányítószám: ", u"Irányítószám"},
    };
    for (const Required& r : required) {
        if (IsBlank(r.value)) {
            m_host.partnerRefused(r.field,
                                  QStringLiteral("Nem töltötte ki a \"%1\" mezőt!").arg(QString::fromUtf16(r.name)));
            return BuildResult::Refused;
        }
        text.addField(QString::fromUtf16(r.label), r.value);
    }
    text.addField(QStringLiteral("Megjegyzés: "), f.Megj);
    text.addCustomerBlock(f);

    m_folder = WithSeparator(in.outputFolder);
    in.outputFolder = m_folder;
    m_host.outputFolderChanged(m_folder);

    // A line that would not land in its own group folder stops the build
    // before anything is copied.
    const QString problem = targetProblem(in);
    if (!problem.isEmpty())
        throw AppError(problem);

    removeLeftovers(m_folder, in.targets);
    withdrawCompleteMark(m_folder);

    // Copying.
    const int count = int(in.lines.size());
    int copiedCount = 0;
    m_host.copyingStarted(count);
    Finally hide([this] { m_host.copyingEnded(); });
    text.addItemHeader();
    for (int i = 0; i < count; ++i) {
        m_host.beforePicture(i);
        if (m_host.cancelRequested() && m_host.confirmStop()) {
            m_stop = StopReason::Cancelled;
            return BuildResult::Stopped;
        }
        const OrderLine& line = in.lines[i];
        const QString source = line.SubItems[SubPath];
        // One literal name each, never a ";"-joined text or a pattern: a
        // path may hold ";", "*", "?" or "[".
        m_copier.setLiteralNames(true);
        m_copier.setSourceNames({source});
        m_copier.setTargetNames({m_folder + in.targets[i]});
        const bool copied = m_copier.Execute() && !m_copier.Aborted();
        if (copied) {
            text.addItem(line);
            ++copiedCount;
            continue;
        }
        m_skipped.append(source);
        if (!m_host.continueAfterCopyError(source, m_copier.LastError())) {
            m_stop = StopReason::CopyError;
            return BuildResult::Stopped;
        }
    }

    // An order folder without a single picture is no order: nothing more is
    // written, and it is never reported as done.
    if (copiedCount == 0)
        throw AppError(QStringLiteral("Egyetlen képet sem sikerült a megrendelés mappájába másolni, "
                                      "ezért a megrendelés nem készült el."));

    // Writing: the cancel request is no longer looked at. The order text is
    // composed first but written last, after both printouts: its presence is
    // what tells the disc and the send that this build got to its end.
    text.addClosing(in.cdIndex, SettingText(in.settingValues, QStringLiteral("CD")), in.totalText);
    const QByteArray textBytes = text.encoded();

    const PrintoutLabels labels = labelsFor(in);
    QStringList rows;
    for (const SizeRow& row : in.sizes)
        rows.append(row.summaryItem());
    const QString quantity = totalQuantityText(in.lines);
    if (m_printouts) {
        m_printouts->saveOrder(m_folder + kOrderPrintoutFileName, in.lines, labels);
        m_printouts->saveSummary(m_folder + kSummaryPrintoutFileName, rows, labels, quantity);
    }
    const QString textPath = m_folder + kOrderTextFileName;
    QString error;
    if (!WriteFileAtomic(textPath, textBytes, &error))
        throwCreateError(textPath, error.section(QStringLiteral(": "), -1));
    if (m_sync)
        syncFolder(m_folder);

    if (m_printouts && m_previewAllowed && in.printData) {
        m_printouts->previewOrder(in.lines, labels);
        if (in.printSumData)
            m_printouts->previewSummary(rows, labels, quantity);
    }
    return BuildResult::Done;
}

} // namespace pelmar
