// The order folder built from the main window, through the real dialogs.
#include "core/UserData.h"
#include "output/OrderNames.h"
#include "tests/output/OrderFixtures.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/MainFormParts.h"
#include "ui/common/MessageBox.h"
#include "ui/main/MainForm.h"
#include "ui/order/EnvelopeEdit.h"
#include "ui/order/SaveMegrForm.h"
#include "ui/report/ReportPreview.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;
using pelmar::test::TempDir;

namespace {

QString picture(const TempDir& dir, const QString& name, int w, int h)
{
    QByteArray jpeg = test::makeJpeg(w, h);
    if (jpeg.size() < 60000)
        jpeg = test::makeJpeg(w, h, 60000);
    return dir.write(name, jpeg);
}

struct Window
{
    TempDir dir;
    std::unique_ptr<MainForm> form;
    TUserData savedPartner = PartnerData();
    Window()
    {
        form = std::make_unique<MainForm>(nullptr, dir.file("settings.sqlite"));
        form->setShowWelcome(false);
        form->priceList() = {"9x13|120|1200x1800|800x1200", "10x15|150|1500x2100|1000x1500"};
        form->settingValues() = {"CD=500"};
        form->rebuildSizeBox();
        PartnerData() = TUserData {123, "Minta Fotó Bt.", "9999", "Kisváros", "Fő utca 1.", ""};
        form->show();
        QTest::qWait(1);
    }
    ~Window() { PartnerData() = savedPartner; }

    // One add run of the main window with the editor row set as given.
    void add(const QString& path, int sizeIndex, bool fill, int quantity)
    {
        CBSize(*form)->setCurrentIndex(sizeIndex);
        form->CBSizeChange();
        (fill ? RBFill(*form) : RBFit(*form))->setChecked(true);
        Darab(*form)->setValue(quantity);
        form->setPictureChooser([path] { return QStringList {path}; });
        AddPic(*form)->trigger();
    }
};

} // namespace

TEST(MainFormOutput, EmptyOrderIsRefused)
{
    Window w;
    ScriptedMessages script;
    OutputMegr(*w.form)->trigger();
    EXPECT_EQ(script.texts(), QStringList({"Még nem vett fel képeket a megrendelésbe!"}));
    EXPECT_EQ(script.shown()[0].kind, MessageKind::Error);
}

TEST(MainFormOutput, WorkedExampleEndToEnd)
{
    Window w;
    setOrderTodayForTests(QDate(2004, 3, 15));
    w.add(picture(w.dir, "kepek/IMG_0001.JPG", 1800, 1200), 0, true, 2);
    w.add(picture(w.dir, "kepek/nyaralas.jpg", 1500, 2100), 1, false, 1);
    ASSERT_EQ(w.form->order().lineCount(), 2);

    ScriptedMessages script;
    script.queueAnswer(MessageAnswer::No); // no disc now
    reports::PreviewInterceptor previews;
    QString shownFolder, shownTotal;
    QTimer::singleShot(0, w.form.get(), [&] {
        auto dialog = qobject_cast<TSaveMegrForm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->BaseFolder = w.dir.file("Rendelesek/");
        dialog->TasakNo->setText("000123");
        dialog->CBCDIndex->click();
        shownFolder = dialog->OutputFolder->text();
        shownTotal = dialog->LSumMegr->text();
        dialog->MegrBtn->click();
    });
    OutputMegr(*w.form)->trigger();
    setOrderTodayForTests(QDate());

    const QString folder = w.dir.file("Rendelesek/Pelmar-20040315-000123/");
    EXPECT_EQ(shownFolder, folder);
    EXPECT_EQ(shownTotal, "890 Ft");
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    EXPECT_EQ(files,
              QStringList({"10x15-fit-1/kep00002.jpg", "9x13-fill-2/kep00001.JPG", "megrendeles.qrp", "megrendeles.txt",
                           "megrendeles_osszegezve.qrp"}));
    // The lines the add run made give the same order text as the worked
    // example's; the printouts' contents are the report tests' business.
    EXPECT_EQ(readAll(folder + "megrendeles.txt"), exampleOrderText(true));
    EXPECT_EQ(readAll(folder + "9x13-fill-2/kep00001.JPG"), readAll(w.dir.file("kepek/IMG_0001.JPG")));
    EXPECT_EQ(previews.previews().size(), 1);
    ASSERT_EQ(script.shown().size(), 2) << "the final message and the offer of a disc";
    EXPECT_EQ(script.shown()[0].kind, MessageKind::Information);
    EXPECT_TRUE(w.form->order().isEmpty()) << "the order is emptied after OK";
    EXPECT_EQ(SumPrice(*w.form)->text(), "0 Ft");
}

TEST(MainFormOutput, CancelledDialogKeepsTheOrderWithItsNewNames)
{
    Window w;
    w.add(picture(w.dir, "kepek/a.jpg", 1800, 1200), 0, true, 1);
    ScriptedMessages script;
    QTimer::singleShot(0, w.form.get(), [&] {
        auto dialog = qobject_cast<TSaveMegrForm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->CancelBtn->click();
    });
    OutputMegr(*w.form)->trigger();
    ASSERT_EQ(w.form->order().lineCount(), 1);
    EXPECT_EQ(w.form->order().line(0).newName(), "kep00001");
    EXPECT_TRUE(script.shown().isEmpty());
}
