// bench_report: the order printout of 10,000 order lines, prepared and saved
// as a .qrp file, against rendering the same prepared pages to PDF with
// QPdfWriter in the same run. Prints pages per second and bytes per page of
// both, and as its last line the time ratio "qrp/pdf ratio: R".
//
//   bench_report [lines] [rounds]

#include "reports/PageRenderer.h"
#include "reports/QRMegr.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace pelmar;
using namespace pelmar::reports;

namespace {

QList<OrderLine> makeOrder(int count)
{
    static const char* sizes[] = {"9x13", "10x15", "13x18", "15x21", "20x30"};
    QList<OrderLine> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        OrderLine line;
        const int quantity = 1 + i % 4;
        const int price = 60 + 20 * (i % 5);
        line.Caption = QStringLiteral("DSC_%1 nyaralás.JPG").arg(i + 1, 5, 10, QLatin1Char('0'));
        line.SubItems[SubResolution] = QStringLiteral("3000x2000");
        line.SubItems[SubFill] = i % 3 ? QStringLiteral("fill") : QStringLiteral("fit");
        line.SubItems[SubSize] = QString::fromLatin1(sizes[i % 5]);
        line.SubItems[SubQuantity] = QString::number(quantity);
        line.SubItems[SubUnitPrice] = QString::number(price) + QStringLiteral(" Ft");
        line.SubItems[SubLineTotal] = QString::number(price * quantity) + QStringLiteral(" Ft");
        line.SubItems[SubPath] = QStringLiteral("/home/bolt/Képek/") + line.Caption;
        line.SubItems[SubNewName] = QStringLiteral("kep%1").arg(i + 1, 5, 10, QLatin1Char('0'));
        lines.append(line);
    }
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    const QString qrpPath = dir.filePath(QStringLiteral("megrendeles.qrp"));
    const QString pdfPath = dir.filePath(QStringLiteral("megrendeles.pdf"));

    TQRMegrForm form;
    form.setOrderLines(makeOrder(count));
    form.setSumMenny(QStringLiteral("%1 db").arg(count));
    form.setLabelCaption(QStringLiteral("LCegNev"), QStringLiteral("Fotó Bolt Kft."));
    form.setLabelCaption(QStringLiteral("LSumMegr"), QStringLiteral("2500000 Ft"));
    form.setLabelEnabled(QStringLiteral("LNotFinal"), false);

    qint64 bestQrp = std::numeric_limits<qint64>::max();
    qint64 bestPdf = std::numeric_limits<qint64>::max();
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        timer.start();
        form.PrepareReport();
        form.SavePreparedReport(qrpPath);
        bestQrp = std::min(bestQrp, timer.nsecsElapsed());

        timer.start();
        savePdf(form.prepared(), pdfPath);
        bestPdf = std::min(bestPdf, timer.nsecsElapsed());
    }

    const int pages = form.prepared().pageCount();
    const qint64 qrpBytes = QFileInfo(qrpPath).size();
    const qint64 pdfBytes = QFileInfo(pdfPath).size();
    const double qrpSeconds = double(bestQrp) / 1e9;
    const double pdfSeconds = double(bestPdf) / 1e9;
    std::printf("order lines: %d, pages: %d, best of %d rounds\n", count, pages, rounds);
    std::printf("qrp (prepare + save): %.3f s, %.1f pages/s, %lld bytes, %.0f bytes/page\n", qrpSeconds,
                pages / qrpSeconds, static_cast<long long>(qrpBytes), double(qrpBytes) / pages);
    std::printf("pdf (render prepared pages): %.3f s, %.1f pages/s, %lld bytes, %.0f bytes/page\n", pdfSeconds,
                pages / pdfSeconds, static_cast<long long>(pdfBytes), double(pdfBytes) / pages);
    std::printf("qrp/pdf ratio: %.3f\n", qrpSeconds / pdfSeconds);
    return 0;
}
