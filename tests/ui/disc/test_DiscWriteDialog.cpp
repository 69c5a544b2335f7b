#include "delivery/OrderFolder.h"
#include "tests/delivery/test_DiscSupport.h"
#include "tests/support/TempDir.h"
#include "ui/common/MessageBox.h"
#include "ui/disc/DiscWriteDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;
using namespace pelmar::test::disc;

namespace {

DiscWriteDialog::DriveLister noDrives()
{
    return [](QString* problem) {
        if (problem)
            problem->clear();
        return QList<DiscDrive> {};
    };
}

DiscWriteDialog::DriveLister twoDrives()
{
    return [](QString*) {
        return QList<DiscDrive> {
            {QStringLiteral("/dev/sr0"), QStringLiteral("ASUS"), QStringLiteral("DRW-24D5MT"), true},
            {QStringLiteral("/dev/sr1"), QStringLiteral("LG"), QStringLiteral("GH24"), false}};
    };
}

bool waitForEnd(DiscWriteDialog& dlg)
{
    QSignalSpy spy(dlg.writer(), &DiscWriter::finished);
    return spy.wait(120000);
}

} // namespace

TEST(DiscWriteDialog, NoDriveSaysSoAndOffersTheImageFile)
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123"));
    makeOrderFolder(folder);
    DiscWriteDialog dlg(folder + QStringLiteral("/"), nullptr, noDrives());
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Írás lemezre"));
    EXPECT_TRUE(dlg.LNoDrive->isVisible());
    EXPECT_TRUE(dlg.LNoDrive->text().startsWith(QStringLiteral("Nem található CD- vagy DVD-író meghajtó")));
    EXPECT_TRUE(dlg.RBImage->isChecked());
    EXPECT_FALSE(dlg.RBDrive->isEnabled());
    EXPECT_TRUE(dlg.WriteBtn->isEnabled());
    // The image is proposed beside the folder, never inside it.
    EXPECT_EQ(dlg.ImagePath->text(), folder + QStringLiteral(".iso"));
    EXPECT_EQ(dlg.LSize->text(), QStringLiteral("A megrendelés mérete: 4 MB — elfér egy CD-n."));
    EXPECT_FALSE(dlg.PB->isVisible());
}

TEST(DiscWriteDialog, DrivesFoundAreListedAndChosen)
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123"));
    makeOrderFolder(folder);
    DiscWriteDialog dlg(folder, nullptr, twoDrives());
    dlg.show();
    ASSERT_EQ(dlg.CBDrive->count(), 2);
    EXPECT_EQ(dlg.CBDrive->itemText(0), QStringLiteral("/dev/sr0 — ASUS DRW-24D5MT"));
    EXPECT_EQ(dlg.CBDrive->itemData(1).toString(), QStringLiteral("/dev/sr1"));
    EXPECT_EQ(dlg.CBDrive->itemText(1), QStringLiteral("/dev/sr1 — LG GH24 (foglalt vagy nem elérhető)"));
    EXPECT_TRUE(dlg.RBDrive->isChecked());
    EXPECT_FALSE(dlg.LNoDrive->isVisible());
    EXPECT_FALSE(dlg.ImagePath->isEnabled());
    dlg.RBImage->click();
    EXPECT_TRUE(dlg.ImagePath->isEnabled());
    EXPECT_FALSE(dlg.CBDrive->isEnabled());
    // Enter writes wherever the focus is, the drive search included.
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    for (QWidget* w : std::initializer_list<QWidget*> {dlg.RefreshBtn, dlg.BrowseBtn, dlg.ImagePath}) {
        w->setFocus();
        EXPECT_TRUE(dlg.WriteBtn->isDefault()) << w->objectName().toStdString();
    }
}

// The whole way through the dialog: the choice, the progress and the one
// message at the end; the dialog closes with OK.
TEST(DiscWriteDialog, WritesAVerifiedImageAndReportsIt)
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123"));
    makeOrderFolder(folder);
    const QString image = tmp.file(QStringLiteral("kép.iso"));
    ScriptedMessages messages;
    DiscWriteDialog dlg(folder, nullptr, noDrives());
    dlg.show();
    dlg.ImagePath->setText(image);

    bool controlsLockedWhileRunning = false;
    QObject::connect(dlg.writer(), &DiscWriter::phaseChanged, [&](DiscWriter::Phase p) {
        if (p == DiscWriter::Phase::Verifying)
            controlsLockedWhileRunning = dlg.PB->isVisible() && !dlg.WriteBtn->isEnabled()
                && !dlg.ImagePath->isEnabled() && dlg.LPhase->text() == QStringLiteral("Ellenőrzés...");
    });
    dlg.WriteBtn->click();
    ASSERT_TRUE(waitForEnd(dlg));
    EXPECT_TRUE(controlsLockedWhileRunning);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Information);
    EXPECT_EQ(messages.shown()[0].text,
              QStringLiteral("A lemezkép elkészült, és az ellenőrzés hibátlan volt:\n\n") + image);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(image).isFile());
}

TEST(DiscWriteDialog, AnExistingImageIsReplacedOnlyAfterYes)
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123"));
    makeOrderFolder(folder);
    const QString image = tmp.write(QStringLiteral("a.iso"), "old");
    ScriptedMessages messages;
    messages.queueAnswer(MessageAnswer::No);
    DiscWriteDialog dlg(folder, nullptr, noDrives());
    dlg.ImagePath->setText(image);
    dlg.WriteBtn->click();
    EXPECT_FALSE(dlg.writer()->isRunning());
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Confirmation);
    EXPECT_TRUE(messages.shown()[0].text.endsWith(QStringLiteral("\n\nFelülírja?")));
    EXPECT_EQ(QFileInfo(image).size(), 3);
}

// Mégse while writing asks first: No goes on, Yes stops; the dialog stays
// open, says what happened, and no image is left.
TEST(DiscWriteDialog, CancelAsksAndLeavesNoImage)
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123"));
    for (int i = 0; i < 12; ++i)
        put(folder + QStringLiteral("/13x18-fill-1/kep%1.JPG").arg(i + 1, 5, 10, QLatin1Char('0')),
            noise(20 * 1024 * 1024, 50 + i));
    for (const char* own : {"megrendeles.txt", "megrendeles.qrp", "megrendeles_osszegezve.qrp"})
        put(folder + QLatin1Char('/') + QLatin1String(own), "x");
    const QString image = tmp.file(QStringLiteral("a.iso"));
    ScriptedMessages messages;
    messages.queueAnswer(MessageAnswer::No);
    messages.queueAnswer(MessageAnswer::Yes);
    DiscWriteDialog dlg(folder, nullptr, noDrives());
    dlg.show();
    dlg.ImagePath->setText(image);

    int presses = 0;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (presses < 2 && QFileInfo(image + QStringLiteral(".part")).size() > (presses + 1) * 1024 * 1024) {
            ++presses;
            dlg.CancelBtn->click();
        }
    });
    poll.start();
    dlg.WriteBtn->click();
    ASSERT_TRUE(waitForEnd(dlg));
    poll.stop();

    ASSERT_EQ(presses, 2) << "the writing ended before it could be cancelled";
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(messages.shown()[0].text, QStringLiteral("Biztosan megszakítja a műveletet?"));
    EXPECT_EQ(dlg.LResult->text(), QStringLiteral("A lemezkép készítése megszakítva."));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_FALSE(QFileInfo::exists(image + QStringLiteral(".part")));
    EXPECT_TRUE(dlg.WriteBtn->isEnabled());
}

TEST(DiscWriteDialog, FailureIsShownAndTheDialogStays)
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123"));
    makeOrderFolder(folder);
    const auto before = snapshot(folder);
    ScriptedMessages messages;
    DiscWriteDialog dlg(folder, nullptr, noDrives());
    dlg.show();
    dlg.ImagePath->setText(folder + QStringLiteral("/benne.iso"));
    dlg.WriteBtn->click();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Error);
    EXPECT_TRUE(
        messages.shown()[0].text.startsWith(QStringLiteral("A lemezkép fájl nem kerülhet a megrendelés mappájába")));
    EXPECT_EQ(dlg.LResult->text(), messages.shown()[0].text);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.WriteBtn->isEnabled());
    EXPECT_EQ(snapshot(folder), before);

    messages.clear();
    dlg.ImagePath->setText(QStringLiteral("   "));
    dlg.WriteBtn->click();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, QStringLiteral("Adja meg a lemezkép fájl nevét!"));

    // Esc while nothing runs closes the dialog.
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

// The offer after a finished build: one question; only Yes opens the
// writing dialog, for the order folder.
TEST(DiscWriteDialog, OfferAfterTheBuildAsksOnceAndOpensOnlyOnYes)
{
    QStringList opened;
    DiscWriteDialog::setRunner([&](QWidget*, const QString& folder) { opened.append(folder); });
    {
        ScriptedMessages messages;
        messages.queueAnswer(MessageAnswer::No);
        DiscWriteDialog::offer(nullptr, QStringLiteral("/x/Pelmar-20040315-000123/"));
        EXPECT_TRUE(opened.isEmpty());
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown()[0].kind, MessageKind::Confirmation);
        EXPECT_EQ(messages.shown()[0].text, DiscWriteDialog::offerQuestion());
        EXPECT_TRUE(messages.shown()[0].text.startsWith(QStringLiteral("Kiírja most a megrendelés mappáját lemezre?")));

        messages.queueAnswer(MessageAnswer::Closed); // the close box is not a Yes
        DiscWriteDialog::offer(nullptr, QStringLiteral("/x/a/"));
        EXPECT_TRUE(opened.isEmpty());

        messages.queueAnswer(MessageAnswer::Yes);
        DiscWriteDialog::offer(nullptr, QStringLiteral("/x/Pelmar-20040315-000123/"));
        EXPECT_EQ(opened, QStringList {QStringLiteral("/x/Pelmar-20040315-000123/")});
    }
    DiscWriteDialog::setRunner({});
    // Scripted messages and no observer: a Yes must not leave a real window
    // waiting (this would hang here if it did).
    ScriptedMessages messages;
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("Pelmar-20040315-000123"));
    makeOrderFolder(folder);
    DiscWriteDialog::offer(nullptr, folder);
    EXPECT_EQ(messages.shown().size(), 1);
    // A folder that is no complete order is refused before the dialog opens.
    QFile::remove(folder + QStringLiteral("/megrendeles_osszegezve.qrp"));
    DiscWriteDialog::offer(nullptr, folder + QLatin1Char('/'));
    ASSERT_EQ(messages.shown().size(), 3);
    EXPECT_EQ(messages.shown()[2].kind, MessageKind::Error);
    EXPECT_EQ(messages.shown()[2].text,
              DiscWriter::incompleteFolderMessage(folder, *incompleteOrderFolderReason(folder)));
}
