// "Nyomtatás" of the main window: refusal of an empty order, the not-final
// printout's inputs, the preview, and the printout released after a failure.

#include "core/AppError.h"
#include "core/UserData.h"
#include "reports/QRMegr.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/MainFormParts.h"
#include "ui/common/MessageBox.h"
#include "ui/main/MainForm.h"
#include "ui/report/ReportPreview.h"

#include <QAction>
#include <QLabel>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;
using namespace pelmar::reports;
using pelmar::test::TempDir;

namespace {

struct Window
{
    TempDir dir;
    std::unique_ptr<MainForm> form;
    Window()
    {
        form = std::make_unique<MainForm>(nullptr, dir.file(QStringLiteral("settings.sqlite")));
        form->setShowWelcome(false);
    }

    void addLines(int count)
    {
        TPriceData entry {QStringLiteral("10x15"), 150, QStringLiteral("1800x1200"), QStringLiteral("900x600")};
        for (int i = 0; i < count; ++i)
            form->order().AddOrderLine(QStringLiteral("/k/kep%1.jpg").arg(i), QStringLiteral("1800x1200"), 0, QString(),
                                       i % 2 == 0, entry, QStringLiteral("2"), 2);
        form->UpdateTotals();
    }
};

const TextItem* text(const PreparedReport& r, const QString& source, int row = -1)
{
    for (const PreparedPage& page : r.pages)
        for (const PageItem& item : page.items)
            if (const auto* t = std::get_if<TextItem>(&item); t && t->source == source && t->row == row)
                return t;
    return nullptr;
}

} // namespace

TEST(MainFormPrint, EmptyOrderIsRefused)
{
    Window w;
    ScriptedMessages messages;
    PreviewInterceptor previews;
    w.form->PrintMegrExecute();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Error);
    EXPECT_EQ(messages.shown()[0].text, QStringLiteral("Még nem vett fel képeket a megrendelésbe!"));
    EXPECT_TRUE(previews.previews().isEmpty());
}

TEST(MainFormPrint, PreviewsTheNotFinalPrintoutWithPartnerDataAndTotals)
{
    Window w;
    const TUserData saved = PartnerData();
    PartnerData().UserName = QStringLiteral("Fotó Bolt Kft.");
    PartnerData().UserHelys = QStringLiteral("Győr");
    PartnerData().UserCim = QStringLiteral("Baross út 1.");
    PartnerData().UserIrsz = QStringLiteral("9021");
    w.addLines(3);
    ScriptedMessages messages;
    PreviewInterceptor previews;
    int ownedDuringPreview = -1;
    previews.onPreview
        = [&](const PreparedReport&) { ownedDuringPreview = int(w.form->findChildren<TQRMegrForm*>().size()); };
    PrintMegr(*w.form)->trigger();
    PartnerData() = saved;

    EXPECT_TRUE(messages.shown().isEmpty());
    ASSERT_EQ(previews.previews().size(), 1);
    const PreparedReport& r = previews.previews()[0];
    EXPECT_EQ(r.title, QStringLiteral("Pelmar digitális fotórendelés"));
    EXPECT_EQ(text(r, QStringLiteral("LNotFinal"))->text, QStringLiteral("(Nem végleges adatok)"));
    EXPECT_EQ(text(r, QStringLiteral("LCegNev"))->text, QStringLiteral("Fotó Bolt Kft."));
    EXPECT_EQ(text(r, QStringLiteral("LCegHelys"))->text, QStringLiteral("Győr"));
    EXPECT_EQ(text(r, QStringLiteral("LCegIrsz"))->text, QStringLiteral("9021"));
    EXPECT_EQ(text(r, QStringLiteral("LVevoNev")), nullptr);
    EXPECT_EQ(text(r, QStringLiteral("LMegj")), nullptr);
    EXPECT_EQ(text(r, QStringLiteral("QRLabel16")), nullptr);
    EXPECT_EQ(text(r, QStringLiteral("LNewName"), 0), nullptr);
    EXPECT_EQ(text(r, QStringLiteral("LFileName"), 2)->text, QStringLiteral("kep2.jpg"));
    EXPECT_EQ(text(r, QStringLiteral("LSumMegr"))->text, SumPrice(*w.form)->text());
    EXPECT_EQ(text(r, QStringLiteral("LSumMegr"))->text, QStringLiteral("900 Ft"));
    EXPECT_EQ(text(r, QStringLiteral("LSumDarab"))->text, QStringLiteral("6 db"));
    // Owned by the main window while shown, released after.
    EXPECT_EQ(ownedDuringPreview, 1);
    EXPECT_TRUE(w.form->findChildren<TQRMegrForm*>().isEmpty());
}

TEST(MainFormPrint, FailedPreviewIsReportedAndThePrintoutReleased)
{
    Window w;
    w.addLines(2);
    ScriptedMessages messages;
    PreviewInterceptor previews;
    previews.onPreview = [](const PreparedReport&) { throw AppError(QStringLiteral("Nincs nyomtató")); };
    PrintMegr(*w.form)->trigger();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::GeneralError);
    EXPECT_TRUE(messages.shown()[0].text.startsWith(QStringLiteral("Nincs nyomtató")));
    EXPECT_TRUE(w.form->findChildren<TQRMegrForm*>().isEmpty());
    // The window goes on working: a second print previews.
    previews.onPreview = nullptr;
    PrintMegr(*w.form)->trigger();
    EXPECT_EQ(previews.previews().size(), 2);
}
