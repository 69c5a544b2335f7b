// The preview window: interception for tests, paging, zoom, saving, and the
// modal run that returns when the window closes.

#include "core/AppError.h"
#include "reports/QRMegr.h"
#include "reports/QrpFile.h"
#include "tests/reports/PageQuery.h"
#include "tests/reports/ReportFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/ModalScript.h"
#include "ui/report/ReportPreview.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::reports;
using namespace pelmar::test;

TEST(ReportPreview, InterceptorRecordsInsteadOfShowing)
{
    PreviewInterceptor interceptor;
    TQRMegrForm form;
    form.setOrderLines(makeLines(3));
    previewReport(form, nullptr);
    ASSERT_EQ(interceptor.previews().size(), 1);
    EXPECT_EQ(interceptor.previews()[0].title, QStringLiteral("Pelmar digitális fotórendelés"));
    EXPECT_EQ(rowFills(interceptor.previews()[0]).size(), 3);
    EXPECT_TRUE(form.prepared().finished);
}

TEST(ReportPreview, WindowPagesZoomsAndSaves)
{
    TQRMegrForm form;
    form.setOrderLines(makeLines(150));
    form.PrepareReport();
    ReportPreviewWindow window(form.prepared());
    window.resize(1000, 800);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Pelmar digitális fotórendelés"));
    EXPECT_EQ(window.pageCount(), 3);
    EXPECT_EQ(window.currentPage(), 1);
    auto trigger = [&](const char* name) {
        QAction* a = window.findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_TRUE(a) << name;
        if (a)
            a->trigger();
    };
    trigger("NextPage");
    trigger("NextPage");
    trigger("NextPage"); // stays on the last page
    EXPECT_EQ(window.currentPage(), 3);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("PageLabel"))->text(), QStringLiteral("3 / 3. oldal"));
    EXPECT_FALSE(window.findChild<QAction*>(QStringLiteral("NextPage"))->isEnabled());
    trigger("FirstPage");
    EXPECT_EQ(window.currentPage(), 1);

    trigger("ZoomWholePage");
    const double whole = window.scale();
    trigger("ZoomPageWidth");
    const double width = window.scale();
    trigger("Zoom100");
    EXPECT_EQ(window.zoom(), ReportPreviewWindow::Zoom::Actual);
    EXPECT_NEAR(window.scale(), window.logicalDpiX() / 25.4, 1e-9);
    EXPECT_GT(width, whole); // a tall window: page width is the larger zoom
    EXPECT_LE(whole * 297, 800);

    // Printing and saving from the keyboard: the tool bar's buttons take no focus.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ModalScript script;
    for (int i = 0; i < 3; ++i)
        script.then([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection); });
    // Each dialog hands the activation back to the window as it closes; the
    // shortcuts work only in the active window.
    for (const QKeyCombination key : {Qt::ControlModifier | Qt::Key_P, Qt::ControlModifier | Qt::Key_S,
                                      Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_S}) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, key.key(), key.keyboardModifiers());
    }
    EXPECT_EQ(script.seen(), QStringList({"QPrintDialog", "QFileDialog", "QFileDialog"}));

    TempDir dir;
    window.saveReportTo(dir.file("elonezet.qrp"));
    QFile qrp(dir.file("elonezet.qrp"));
    ASSERT_TRUE(qrp.open(QIODevice::ReadOnly));
    QrpFile parsed;
    QString error;
    EXPECT_TRUE(parseQrp(qrp.readAll(), parsed, error)) << error.toStdString();
    EXPECT_EQ(parsed.pages.size(), 3);

    window.savePdfTo(dir.file("elonezet.pdf"));
    QFile pdf(dir.file("elonezet.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    const QString text = QString::fromLatin1(bytes);
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 3);
    EXPECT_THROW(window.savePdfTo(dir.file("nincs/x.pdf")), AppError);
    EXPECT_FALSE(QFile::exists(dir.file("nincs/x.pdf")));
}

TEST(ReportPreview, PreviewReportReturnsWhenTheWindowCloses)
{
    TQRMegrForm form;
    form.setOrderLines(makeLines(2));
    bool sawWindow = false;
    ModalScript script;
    script.then([&](QWidget* dialog) {
        auto* preview = qobject_cast<ReportPreviewWindow*>(dialog);
        ASSERT_NE(preview, nullptr);
        sawWindow = true;
        EXPECT_TRUE(preview->windowState() & Qt::WindowMaximized);
        EXPECT_EQ(preview->windowTitle(), QStringLiteral("Pelmar digitális fotórendelés"));
        preview->findChild<QAction*>(QStringLiteral("ClosePreview"))->trigger();
    });
    previewReport(form, nullptr);
    EXPECT_TRUE(sawWindow);
}
