#include "tests/output/OrderFixtures.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/DialogTestUtil.h"
#include "tests/support/widgets/ModalScript.h"
#include "ui/common/MessageBox.h"
#include "ui/disc/DiscWriteDialog.h"
#include "ui/help/Help.h"
#include "ui/order/BrowseForFolderDialog.h"
#include "ui/order/EnvelopeEdit.h"
#include "ui/order/SaveMegrForm.h"
#include "ui/report/ReportPreview.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

const QStringList kSettings = {QStringLiteral("CD=500")};

struct Example
{
    OrderModel order;
    Example()
    {
        setOrderTodayForTests(QDate(2004, 3, 15));
        addLine(order, "/home/bolt/kepek/IMG_0001.JPG", "9x13", 120, true, 2);
        addLine(order, "/home/bolt/kepek/nyaralas.jpg", "10x15", 150, false, 1);
    }
    ~Example() { setOrderTodayForTests(QDate()); }
};

QString cell(const TSaveMegrForm& form, int row, int col)
{
    return form.SizeList->item(row, col)->text();
}

} // namespace

TEST(SaveMegrForm, OpensWithSummaryTotalPartnerFolderNameTabOrderAndHelp)
{
    Example ex;
    TSaveMegrForm form(nullptr, ex.order, examplePartner(), kSettings);
    EXPECT_EQ(form.windowTitle(), "Megrendelés rögzítése");
    ASSERT_EQ(form.SizeList->rowCount(), 2);
    EXPECT_EQ(QStringList({cell(form, 0, 0), cell(form, 0, 1), cell(form, 0, 2), cell(form, 0, 3)}),
              QStringList({"9x13", "2 db", "120 Ft", "240 Ft"}));
    EXPECT_EQ(cell(form, 1, 3), "150 Ft");
    EXPECT_EQ(form.LSumMegr->text(), "390 Ft");
    EXPECT_EQ(form.PicturesTotal, 390);
    EXPECT_EQ(form.TargetList, QStringList({"9x13-fill-2/kep00001.JPG", "10x15-fit-1/kep00002.jpg"}));
    EXPECT_EQ(ex.order.line(0).newName(), "kep00001");
    EXPECT_EQ(ex.order.line(1).newName(), "kep00002");

    EXPECT_EQ(QStringList({form.UserID->text(), form.UserNev->text(), form.UserHelys->text(), form.UserCim->text(),
                           form.UserIrsz->text()}),
              QStringList({"123", "Minta Fotó Bt.", "Kisváros", "Fő utca 1.", "9999"}));
    EXPECT_EQ(form.UserIrsz->maxLength(), 4);
    EXPECT_EQ(form.VevoIrsz->maxLength(), 4);
    for (QLineEdit* e : {form.Megj, form.VevoNev, form.VevoHelys, form.VevoCim, form.VevoIrsz})
        EXPECT_TRUE(e->text().isEmpty());

    EXPECT_TRUE(form.CBPrintData->isChecked());
    EXPECT_FALSE(form.CBPrintSumData->isChecked());
    EXPECT_FALSE(form.CBCDIndex->isChecked());
    EXPECT_EQ(form.TasakNo->text(), "000000");
    EXPECT_EQ(form.OutputFolder->text(), DocumentsFolder() + "Pelmar-20040315-000000/");
    EXPECT_TRUE(form.LProcess->isHidden());
    EXPECT_TRUE(form.PB->isHidden());
    EXPECT_EQ(QStringList({form.MegrBtn->text(), form.CancelBtn->text(), form.HelpBtn->text(), form.BrowseBtn->text()}),
              QStringList({"Megrendelés", "Mégse", "Súgó", "Tallózás..."}));
    EXPECT_EQ(form.BFD->Title(), "Kérem adja meg, hova készítse el a program a megrendelését:");
    // Folders only, and one may be typed.
    EXPECT_EQ(form.BFD->Options(), bfReturnOnlyFSDirs | bfEditBox | bfNewStyle);

    showActive(&form);
    EXPECT_EQ(QApplication::focusWidget(), form.VevoNev);
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed size";
    QStringList names;
    for (QWidget* w : tabChain(form.SizeList, 1000))
        if (!w->objectName().isEmpty() && w->window() == &form)
            names << w->objectName();
    const QStringList expected
        = {"SizeList",  "UserID",    "UserNev",   "UserHelys", "UserCim",        "UserIrsz",    "Megj",
           "VevoNev",   "VevoHelys", "VevoCim",   "VevoIrsz",  "TasakNo",        "CBPrintData", "OutputFolder",
           "BrowseBtn", "MegrBtn",   "CancelBtn", "HelpBtn",   "CBPrintSumData", "CBCDIndex"};
    EXPECT_EQ(names, expected);

    QStringList topics;
    Help::setRequestObserver([&](const QString& topic) { topics << topic; });
    form.HelpBtn->click();
    QTest::keyClick(&form, Qt::Key_F1);
    Help::setRequestObserver({});
    EXPECT_EQ(topics, QStringList({"savemegr.html", "savemegr.html"}));
    EXPECT_TRUE(form.isVisible());
}

TEST(SaveMegrForm, CdFeeTogglesAndPrintSummaryFollowsPrintOrder)
{
    Example ex;
    TSaveMegrForm form(nullptr, ex.order, examplePartner(), kSettings);
    for (int i = 0; i < 3; ++i) {
        form.CBCDIndex->click();
        EXPECT_EQ(form.LSumMegr->text(), "890 Ft");
        EXPECT_EQ(form.CDFee, 500);
        form.CBCDIndex->click();
        EXPECT_EQ(form.LSumMegr->text(), "390 Ft");
        EXPECT_EQ(form.CDFee, 0);
    }
    EXPECT_EQ(form.SizeList->rowCount(), 2) << "the summary is not changed";
    for (const QStringList& settings : {QStringList {}, QStringList {"CD=abc"}, QStringList {"CD=5.5"}}) {
        TSaveMegrForm other(nullptr, ex.order, examplePartner(), settings);
        other.CBCDIndex->click();
        EXPECT_EQ(other.LSumMegr->text(), "390 Ft");
    }

    // The summary printout is offered only with the order printout, and
    // keeps its mark while it is not.
    EXPECT_TRUE(form.CBPrintSumData->isEnabled());
    form.CBPrintSumData->click();
    form.CBPrintData->click();
    EXPECT_FALSE(form.CBPrintSumData->isEnabled());
    EXPECT_TRUE(form.CBPrintSumData->isChecked());
    form.CBPrintData->click();
    EXPECT_TRUE(form.CBPrintSumData->isEnabled());
    EXPECT_TRUE(form.CBPrintSumData->isChecked());
}

TEST(SaveMegrForm, EnvelopeNumberComposesTheFolderAndRefusesBlanks)
{
    Example ex;
    TSaveMegrForm form(nullptr, ex.order, examplePartner(), kSettings);
    showActive(&form);
    ScriptedMessages script;

    form.TasakNo->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form.TasakNo->selectedText(), "000000") << "entering selects everything";
    QTest::keyClicks(form.TasakNo, "12");
    EXPECT_EQ(form.OutputFolder->text(), DocumentsFolder() + "Pelmar-20040315-12/");
    QTest::keyClicks(form.TasakNo, "ab c");
    EXPECT_EQ(form.TasakNo->text().trimmed(), "12") << "only digits are taken";

    // Enter with blank positions: refused, focus kept, dialog open.
    QTest::keyClick(form.TasakNo, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].kind, MessageKind::GeneralError);
    EXPECT_EQ(script.shown()[0].text, "Invalid input value.  Use escape key to abandon changes.");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), form.TasakNo);

    // Leaving the field: refused the same way, the focus comes back.
    form.VevoNev->setFocus();
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(QApplication::focusWidget(), form.TasakNo);

    // Esc restores the text of the entry and does not close the dialog.
    QTest::keyClick(form.TasakNo, Qt::Key_Escape);
    EXPECT_EQ(form.TasakNo->text(), "000000");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.OutputFolder->text(), DocumentsFolder() + "Pelmar-20040315-000000/");

    // A complete number leaves without a word; a hand-typed folder is
    // replaced at the next change.
    form.OutputFolder->setText("/elsewhere/");
    form.TasakNo->selectAll();
    QTest::keyClicks(form.TasakNo, "000123");
    form.VevoNev->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(script.shown().size(), 2);
    EXPECT_EQ(form.OutputFolder->text(), DocumentsFolder() + "Pelmar-20040315-000123/");

    // Esc outside an edit is the cancel button.
    form.TasakNo->setFocus();
    QApplication::processEvents();
    QTest::keyClick(form.TasakNo, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_TRUE(form.CancelRequest);
}

TEST(SaveMegrForm, OrderButtonRefusesAnIncompleteEnvelopeNumber)
{
    Example ex;
    TSaveMegrForm form(nullptr, ex.order, examplePartner(), kSettings);
    ScriptedMessages script;
    form.TasakNo->setText("12");
    form.MegrBtn->click();
    QApplication::processEvents();
    EXPECT_EQ(script.texts(), QStringList({"Invalid input value.  Use escape key to abandon changes."}));
    EXPECT_FALSE(QDir(form.OutputFolder->text()).exists());
}

TEST(SaveMegrForm, CancelKeepsNewNamesAndReopeningNumbersAfreshAndShowsPartnerData)
{
    Example ex;
    {
        TSaveMegrForm form(nullptr, ex.order, examplePartner(), kSettings);
        form.UserID->setText("999");
        form.CancelBtn->click();
        EXPECT_TRUE(form.CancelRequest);
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    EXPECT_EQ(ex.order.line(1).newName(), "kep00002");
    ex.order.removeLines({0});
    TSaveMegrForm again(nullptr, ex.order, examplePartner(), kSettings);
    EXPECT_EQ(ex.order.line(0).newName(), "kep00001");
    EXPECT_EQ(again.TargetList, QStringList({"10x15-fit-1/kep00001.jpg"}));
    EXPECT_EQ(again.UserID->text(), "123");
    EXPECT_EQ(again.LSumMegr->text(), "150 Ft");
}

TEST(SaveMegrForm, BrowsePicksTheBaseFolderAndCancelChangesNothing)
{
    Example ex;
    TempDir dir;
    TSaveMegrForm form(nullptr, ex.order, examplePartner(), kSettings);
    showActive(&form);

    // The proposed folder exists: the picker opens on it.
    const QString existing = dir.file("base/Pelmar-20040315-000000");
    QDir().mkpath(existing);
    form.BaseFolder = dir.file("base/");
    form.TasakNoChange();
    QString openedOn;
    ModalScript script;
    script.then([&](QWidget* dialog) {
        auto* picker = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(picker, nullptr);
        openedOn = picker->directory().absolutePath();
        picker->setDirectory(dir.path());
        QMetaObject::invokeMethod(picker, "accept");
    });
    form.BrowseBtn->click();
    EXPECT_EQ(openedOn, existing);
    EXPECT_EQ(form.BaseFolder, dir.path() + "/");
    EXPECT_EQ(form.OutputFolder->text(), dir.path() + "/Pelmar-20040315-000000/");

    // Cancelled: nothing changes.
    script.then([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject"); });
    form.BrowseBtn->click();
    EXPECT_EQ(script.seen().size(), 2);
    EXPECT_EQ(form.BaseFolder, dir.path() + "/");
    EXPECT_EQ(form.OutputFolder->text(), dir.path() + "/Pelmar-20040315-000000/");
}

namespace {

// The worked example with real pictures, built into a temporary base folder.
struct BuildFixture
{
    TempDir dir;
    OrderModel order;
    BuildFixture()
    {
        setOrderTodayForTests(QDate(2004, 3, 15));
        dir.write("kepek/IMG_0001.JPG", QByteArray(60000, 'a'));
        dir.write("kepek/nyaralas.jpg", QByteArray(61000, 'b'));
        addLine(order, dir.file("kepek/IMG_0001.JPG"), "9x13", 120, true, 2);
        addLine(order, dir.file("kepek/nyaralas.jpg"), "10x15", 150, false, 1);
    }
    ~BuildFixture() { setOrderTodayForTests(QDate()); }
    void prepare(TSaveMegrForm& form)
    {
        form.BaseFolder = dir.file("Rendelesek/");
        form.TasakNo->setText("000123");
        form.show();
    }
    QString folder() const { return dir.file("Rendelesek/Pelmar-20040315-000123/"); }
};

} // namespace

TEST(SaveMegrFormBuild, WorkedExampleThroughTheDialog)
{
    BuildFixture f;
    TSaveMegrForm form(nullptr, f.order, examplePartner(), kSettings);
    f.prepare(form);
    form.CBCDIndex->click();
    ScriptedMessages script;
    script.queueAnswer(MessageAnswer::No); // no disc now
    reports::PreviewInterceptor previews;
    // The dialog has no default button: Enter in a field builds nothing.
    QTest::keyClick(form.VevoNev, Qt::Key_Return);
    ASSERT_TRUE(script.shown().isEmpty());
    ASSERT_FALSE(QFileInfo::exists(f.folder()));
    form.MegrBtn->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(readAll(f.folder() + "megrendeles.txt"), exampleOrderText(true));
    EXPECT_EQ(readAll(f.folder() + "9x13-fill-2/kep00001.JPG"), QByteArray(60000, 'a'));
    EXPECT_EQ(readAll(f.folder() + "10x15-fit-1/kep00002.jpg"), QByteArray(61000, 'b'));
    EXPECT_TRUE(QFileInfo::exists(f.folder() + "megrendeles.qrp"));
    EXPECT_TRUE(QFileInfo::exists(f.folder() + "megrendeles_osszegezve.qrp"));
    EXPECT_EQ(previews.previews().size(), 1) << "the order printout only";
    // The final message, then the offer to write the folder to a disc.
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(script.shown()[0].kind, MessageKind::Information);
    EXPECT_TRUE(script.shown()[0].text.startsWith("Megrendelése elkészült az alábbi mappába:\n\n" + f.folder()));
    EXPECT_EQ(script.shown()[1].text, DiscWriteDialog::offerQuestion());
    EXPECT_TRUE(form.PB->isHidden());
    EXPECT_TRUE(form.LProcess->isHidden());
}

TEST(SaveMegrFormBuild, InputsAreDisabledDuringTheBuildAndCancelYesStopsIt)
{
    BuildFixture f;
    TSaveMegrForm form(nullptr, f.order, examplePartner(), kSettings);
    f.prepare(form);
    ScriptedMessages script; // Yes to the cancel question
    reports::PreviewInterceptor previews;
    QStringList enabled;
    bool progressShown = false;
    QTimer::singleShot(0, &form, [&] {
        for (QWidget* w : std::initializer_list<QWidget*> {
                 form.MegrBtn, form.BrowseBtn, form.OutputFolder, form.TasakNo, form.UserID, form.UserNev, form.Megj,
                 form.VevoNev, form.CBPrintData, form.CBCDIndex, form.CancelBtn})
            if (w->isEnabled())
                enabled << w->objectName();
        progressShown = form.PB->isVisible() && form.LProcess->isVisible();
        EXPECT_EQ(form.PB->maximum(), 1);
        form.MegrBtn->click(); // disabled: no second build
        form.CancelBtn->click();
    });
    form.MegrBtn->click();
    EXPECT_EQ(enabled, QStringList({"CancelBtn"}));
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(script.texts(), QStringList({"Biztosan megszakítja a műveletet?"}));
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(QFileInfo::exists(f.folder() + "megrendeles.txt"));
    EXPECT_TRUE(previews.previews().isEmpty());
    EXPECT_TRUE(form.PB->isHidden());
}

TEST(SaveMegrFormBuild, CloseBoxDuringTheBuildDoesNotInterruptIt)
{
    BuildFixture f;
    TSaveMegrForm form(nullptr, f.order, examplePartner(), kSettings);
    f.prepare(form);
    form.CBPrintData->click();
    ScriptedMessages script;
    QTimer::singleShot(0, &form, [&] { EXPECT_FALSE(form.close()); });
    form.MegrBtn->click();
    EXPECT_FALSE(form.CancelRequest);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo::exists(f.folder() + "megrendeles.txt"));

    // Closed while copying, then No to a copy error: the build stops and the
    // dialog closes with the cancel result instead of staying open.
    BuildFixture g;
    QFile::remove(g.dir.file("kepek/nyaralas.jpg"));
    TSaveMegrForm stopped(nullptr, g.order, examplePartner(), kSettings);
    g.prepare(stopped);
    script.queueAnswer(MessageAnswer::No);
    QTimer::singleShot(0, &stopped, [&] { EXPECT_FALSE(stopped.close()); });
    stopped.MegrBtn->click();
    EXPECT_FALSE(stopped.CancelRequest);
    EXPECT_EQ(stopped.result(), QDialog::Rejected);
    EXPECT_FALSE(stopped.isVisible());
    EXPECT_FALSE(QFileInfo::exists(g.folder() + "megrendeles.txt"));
}

TEST(SaveMegrFormBuild, CopyErrorNoKeepsTheDialogOpen)
{
    BuildFixture f;
    QFile::remove(f.dir.file("kepek/IMG_0001.JPG"));
    TSaveMegrForm form(nullptr, f.order, examplePartner(), kSettings);
    f.prepare(form);
    ScriptedMessages script;
    script.queueAnswer(MessageAnswer::No);
    form.MegrBtn->click();
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].text,
              "Hiba a fájl másolása során:\n\n" + f.dir.file("kepek/IMG_0001.JPG")
                  + "\n\nA kép nem lesz benne a megrendelésbe!\nFolytatja?");
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.MegrBtn->isEnabled());
    EXPECT_TRUE(form.PB->isHidden());
    EXPECT_FALSE(QFileInfo::exists(f.folder() + "megrendeles.txt"));
}

TEST(SaveMegrFormBuild, PartnerRefusalFocusesTheField)
{
    BuildFixture f;
    TSaveMegrForm form(nullptr, f.order, examplePartner(), kSettings);
    f.prepare(form);
    showActive(&form);
    form.UserHelys->setText("  ");
    ScriptedMessages script;
    form.MegrBtn->click();
    EXPECT_EQ(script.texts(), QStringList({"Nem töltötte ki a \"Helység\" mezőt!"}));
    EXPECT_EQ(script.shown()[0].kind, MessageKind::Error);
    EXPECT_EQ(QApplication::focusWidget(), form.UserHelys);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.PB->isHidden());
    EXPECT_FALSE(QFileInfo::exists(f.folder()));
}

TEST(SaveMegrFormBuild, FolderWithoutSeparatorAndAFailedWrite)
{
    BuildFixture f;
    f.dir.write("Rendelesek", "a file, not a folder");
    TSaveMegrForm form(nullptr, f.order, examplePartner(), kSettings);
    f.prepare(form);
    form.OutputFolder->setText(f.dir.file("Rendelesek/x"));
    ScriptedMessages script; // Yes to both copy errors
    form.MegrBtn->click();
    EXPECT_EQ(form.OutputFolder->text(), f.dir.file("Rendelesek/x/"));
    ASSERT_EQ(script.shown().size(), 3);
    EXPECT_EQ(script.shown()[2].kind, MessageKind::GeneralError);
    EXPECT_TRUE(script.shown()[2].text.startsWith("Egyetlen képet sem")) << script.shown()[2].text.toStdString();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.PB->isHidden());
    EXPECT_TRUE(form.MegrBtn->isEnabled());
}
