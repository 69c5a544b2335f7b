// The disc parts of the order assembly dialog: the size line beside the
// total, the question before building an order too big for a CD, and the
// offer to write the finished folder to a disc.
#include "delivery/DiscCapacity.h"
#include "tests/delivery/test_DiscSupport.h"
#include "tests/output/OrderFixtures.h"
#include "tests/support/TempDir.h"
#include "ui/common/MessageBox.h"
#include "ui/disc/DiscWriteDialog.h"
#include "ui/order/SaveMegrForm.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;
using namespace pelmar::test::disc;

namespace {

const QStringList kSettings = {QStringLiteral("CD=500")};

// Saves small stand-ins for the printouts and never previews.
class QuietPrintouts : public PrintoutSink
{
public:
    void saveOrder(const QString& path, const QList<OrderLine>&, const PrintoutLabels&) override { put(path, "qrp"); }
    void saveSummary(const QString& path, const QStringList&, const PrintoutLabels&, const QString&) override
    {
        put(path, "qrp");
    }
    void previewOrder(const QList<OrderLine>&, const PrintoutLabels&) override { }
    void previewSummary(const QStringList&, const PrintoutLabels&, const QString&) override { }
};

// A picture of the given length without writing its bytes: a sparse file.
QString sparsePicture(const TempDir& tmp, const QString& name, qint64 size)
{
    const QString path = tmp.file(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !f.resize(size))
        return QString();
    return path;
}

struct Runner
{
    QStringList opened;
    Runner()
    {
        DiscWriteDialog::setRunner([this](QWidget*, const QString& folder) { opened.append(folder); });
    }
    ~Runner() { DiscWriteDialog::setRunner({}); }
};

} // namespace

// Two pictures of 400 MB: no longer a CD, which the size line says (an
// order that fits: below). One question before the build; No builds
// nothing, Yes goes on to the build (here refused by its partner check) and
// is not asked again at the next press.
TEST(DiscOrderDialog, OrderTooBigForACdIsSaidAndBuiltOnlyAfterYes)
{
    TempDir big;
    OrderModel large;
    addLine(large, sparsePicture(big, QStringLiteral("a.JPG"), 400LL << 20), QStringLiteral("9x13"), 120, true, 1);
    addLine(large, sparsePicture(big, QStringLiteral("b.JPG"), 400LL << 20), QStringLiteral("9x13"), 120, true, 1);
    TSaveMegrForm form(nullptr, large, examplePartner(), kSettings);
    EXPECT_TRUE(form.LDiscSize->text().endsWith(QStringLiteral("— nem fér el egy CD-n, DVD lemez kell hozzá.")))
        << form.LDiscSize->text().toStdString();
    const QString folder = big.file(QStringLiteral("Pelmar-20040315-000123/"));
    form.OutputFolder->setText(folder);
    form.UserNev->clear(); // the build stops at its partner check

    ScriptedMessages messages;
    messages.queueAnswer(MessageAnswer::No);
    form.MegrBtn->click();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Confirmation);
    EXPECT_TRUE(messages.shown()[0].text.startsWith(QStringLiteral("A megrendelés mérete (")));
    EXPECT_TRUE(messages.shown()[0].text.endsWith(QStringLiteral("\n\nFolytatja?")));
    EXPECT_FALSE(QFileInfo::exists(folder));

    messages.clear();
    messages.queueAnswer(MessageAnswer::Yes);
    form.MegrBtn->click();
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages.shown()[1].kind, MessageKind::Error); // the partner check ran

    messages.clear();
    form.MegrBtn->click();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Error);
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// After the final message: the offer; Yes opens the writing dialog for the
// order folder and the order dialog closes with OK. (No: the worked example in
// test_SaveMegrForm; the offer's other answers: test_DiscWriteDialog.)
TEST(DiscOrderDialog, FinishedBuildOffersTheDisc)
{
    TempDir tmp;
    OrderModel order;
    addLine(order, tmp.write(QStringLiteral("IMG_0001.JPG"), noise(60000, 1)), QStringLiteral("9x13"), 120, true, 2);
    TSaveMegrForm form(nullptr, order, examplePartner(), kSettings);
    QuietPrintouts printouts;
    form.setPrintouts(&printouts);
    form.CBPrintData->setChecked(false);
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123")) + QLatin1Char('/');
    form.OutputFolder->setText(folder);
    Runner runner;
    ScriptedMessages messages; // Yes to the offer
    form.MegrBtn->click();

    ASSERT_EQ(messages.shown().size(), 2) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Information);
    EXPECT_TRUE(messages.shown()[0].text.startsWith(QStringLiteral("Megrendelése elkészült")));
    EXPECT_EQ(messages.shown()[1].text, DiscWriteDialog::offerQuestion());
    EXPECT_EQ(runner.opened, QStringList {folder});
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("9x13-fill-2/kep00001.JPG")).isFile());
}

// The order dialog estimates the order before the build; the disc dialog
// measures the built folder. The estimate is never lower, is only the
// printouts' allowance higher, and both dialogs name the same size.
TEST(DiscOrderDialog, SizeBeforeTheBuildMatchesTheBuiltFolder)
{
    for (const int pictures : {1, 40}) {
        SCOPED_TRACE(pictures);
        TempDir tmp;
        OrderModel order;
        for (int i = 0; i < pictures; ++i)
            addLine(order,
                    tmp.write(QStringLiteral("képek/IMG_%1_nyaralás a Balatonnál.JPG").arg(i, 4, 10, QLatin1Char('0')),
                              noise(60000 + i, i)),
                    i % 2 ? QStringLiteral("9x13") : QStringLiteral("10x15"), 120, i % 3 == 0, 1 + i % 4);
        // A picture that puts the order in the middle of a megabyte.
        // (The image adds about 430 KiB of its own.)
        addLine(order, sparsePicture(tmp, QStringLiteral("nagy.jpg"), 16 * 1024 * 1024 - 60000 * pictures),
                QStringLiteral("9x13"), 120, true, 1);
        TSaveMegrForm form(nullptr, order, examplePartner(), kSettings);
        form.CBPrintData->setChecked(false);
        const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123")) + QLatin1Char('/');
        form.OutputFolder->setText(folder);
        const QString before = form.LDiscSize->text();
        EXPECT_EQ(before, QStringLiteral("A megrendelés mérete: 17 MB — elfér egy CD-n."));
        QStringList sources;
        for (const OrderLine& line : order.lines())
            sources.append(line.path());
        const qint64 estimated = DiscCapacity::estimate(DiscCapacity::orderFiles(form.TargetList, sources)).sectors;
        Runner runner;
        ScriptedMessages messages;
        messages.queueAnswer(MessageAnswer::No);
        form.MegrBtn->click();
        ASSERT_EQ(form.result(), QDialog::Accepted) << messages.texts().join(QStringLiteral(" | ")).toStdString();

        const qint64 built = DiscCapacity::estimate(DiscCapacity::folderFiles(folder)).sectors;
        EXPECT_GE(estimated, built);
        EXPECT_LE(estimated, built + (48 * 1024 + 1100 * pictures) / DiscCapacity::kSectorSize);
        DiscWriteDialog disc(folder, nullptr, [](QString*) { return QList<DiscDrive>(); });
        EXPECT_EQ(disc.LSize->text(), before);
    }
}
