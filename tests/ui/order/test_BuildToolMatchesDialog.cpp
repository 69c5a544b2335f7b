// pelmar-build and the order dialog build the same order folder, byte for
// byte.

#include "core/AddRun.h"
#include "core/PriceData.h"
#include "output/OrderJob.h"
#include "output/OrderNames.h"
#include "tests/output/OrderFixtures.h"
#include "tests/output/OrderJobFixtures.h"
#include "tests/support/TempDir.h"
#include "ui/common/MessageBox.h"
#include "ui/order/EnvelopeEdit.h"
#include "ui/order/SaveMegrForm.h"
#include "ui/report/ReportPreview.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

TEST(BuildTool, BuildsTheExampleLikeTheDialog)
{
    TempDir dir;
    writePictures(dir);
    const QString description = dir.write("order.json", json(exampleJson(dir)));
    const ToolRun run = runTool({description});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QString folder = dir.file("Rendelesek/Pelmar-20040315-000123/");
    EXPECT_EQ(run.out, folder + "\n");
    EXPECT_EQ(readAll(folder + "megrendeles.txt"), exampleOrderText(true));
    const QMap<QString, QByteArray> tool = snapshot(folder);
    EXPECT_EQ(tool.keys(),
              QStringList({"10x15-fit-1/kep00002.jpg", "9x13-fill-2/kep00001.JPG", "megrendeles.qrp", "megrendeles.txt",
                           "megrendeles_osszegezve.qrp"}));
    // The path is what a script reads: when it cannot be printed the run
    // is no success.
    const ToolRun unprinted = runTool({description}, "/dev/full");
    EXPECT_EQ(unprinted.code, 1);
    EXPECT_TRUE(unprinted.err.contains(folder)) << unprinted.err.toStdString();

    // The same order through the dialog, into another base folder.
    setOrderTodayForTests(QDate(2004, 3, 15));
    OrderModel order;
    const OrderJob job = ParseOrderJob(json(exampleJson(dir)));
    AddRun rules(order);
    for (const OrderJob::Picture& p : job.pictures)
        ASSERT_TRUE(
            rules.add(p.path, ParsePriceData(job.prices[p.size == "9x13" ? 0 : 1]), p.fill, p.quantity).added());
    TSaveMegrForm form(nullptr, order, examplePartner(), {"CD=500"});
    form.BaseFolder = dir.file("Dialog/");
    form.TasakNo->setText("000123");
    form.CBCDIndex->click();
    form.show();
    ScriptedMessages script;
    reports::PreviewInterceptor previews;
    form.MegrBtn->click();
    setOrderTodayForTests(QDate());
    ASSERT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(snapshot(dir.file("Dialog/Pelmar-20040315-000123/")), tool);
}
