// Phone pictures through the main window: "Telefonos képek hozzáadása...",
// a drop, the journal and a saved order keeping the originals, the cache.
#include "platform/OrderJournal.h"
#include "tests/convert/ConvertFixtures.h"
#include "tests/output/OrderFixtures.h"
#include "tests/support/widgets/MainFormFixture.h"
#include "ui/order/SaveMegrForm.h"

#include <QDir>
#include <QProgressDialog>
#include <QUrl>

using namespace pelmar;
using namespace pelmar::test;

namespace {

class MainFormPhone : public MainFormTest
{
protected:
    // A picture whose JPEG passes the 50 KB rule (noise does not compress).
    static Quarters grainy(int width, int height)
    {
        Quarters q;
        q.width = width;
        q.height = height;
        q.grain = 40;
        q.colours = {{{200, 80, 60, 255}, {60, 160, 90, 255}, {70, 90, 200, 255}, {220, 210, 80, 255}}};
        return q;
    }

    void addPhone(const QStringList& files)
    {
        chosen = files;
        form->findChild<QAction*>(QStringLiteral("miAddPhone"))->trigger();
        settle();
    }

    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->phoneBatchRunning() && !form->addRunActive(); }, 60000));
        QTest::qWait(1);
    }

    QString cacheFolder() const { return dir.file(QStringLiteral("config/converted")); }
};

} // namespace

TEST_F(MainFormPhone, AnIphoneHeicBecomesAnUprightJpegLineKeptByItsOriginal)
{
    openWithPrices();
    const QString heic
        = file(QStringLiteral("phone/IMG_0001.HEIC"),
               makeHeic(grainy(200, 160), displayP3Profile(), 6, exifWith(6, "2026:05:17 10:11:12", "iPhone")));
    const QString broken = file(QStringLiteral("phone/IMG_0002.HEIC"), QByteArray(60000, 'x'));
    const QString jpg = jpeg(QStringLiteral("phone/plain.jpg"), 200, 300);

    // The specified command still refuses it.
    add({heic});
    EXPECT_EQ(lines(), 0);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, QStringLiteral("Unknown picture file extension (.HEIC)\n\n") + heic);
    messages.clear();

    addPhone({heic, broken, jpg});
    ASSERT_EQ(lines(), 2);
    const OrderLine& converted = line(0);
    EXPECT_EQ(converted.Caption, QStringLiteral("IMG_0001.jpg"));
    EXPECT_TRUE(converted.path().startsWith(cacheFolder() + QLatin1Char('/'))) << converted.path().toStdString();
    EXPECT_EQ(converted.resolution(), QStringLiteral("200x160")); // turned upright: 160 wide, 200 high
    EXPECT_EQ(converted.ImageIndex, 0);
    EXPECT_EQ(converted.size(), QStringLiteral("9x13"));
    // The line itself does not outlive the order's next change.
    const QString convertedPath = converted.path();
    EXPECT_TRUE(form->FileListInfoTip(0).endsWith(QStringLiteral("Eredeti fájl: ") + heic));
    EXPECT_EQ(line(1).path(), jpg);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.startsWith(
        QStringLiteral("A következő képet nem sikerült JPEG formátumba alakítani:\n\n") + broken))
        << messages.shown()[0].text.toStdString();

    // The lab gets the converted JPEG, under the build's name for a JPEG.
    {
        TSaveMegrForm order(form.get(), form->order(), examplePartner(), {});
        const QString out = dir.file(QStringLiteral("rendeles/"));
        order.OutputFolder->setText(out);
        order.CBPrintData->setChecked(false);
        messages.clear();
        messages.queueAnswer(MessageAnswer::No); // no disc now
        order.MegrBtn->click();
        QFile lab(out + QStringLiteral("9x13-fill-1/kep00001.jpg"));
        QFile cached(convertedPath);
        ASSERT_TRUE(lab.open(QIODevice::ReadOnly))
            << QDir(out).entryList().join(' ').toStdString() << messages.texts().join('|').toStdString();
        ASSERT_TRUE(cached.open(QIODevice::ReadOnly));
        EXPECT_TRUE(lab.readAll() == cached.readAll());
        QFile text(out + QStringLiteral("megrendeles.txt"));
        ASSERT_TRUE(text.open(QIODevice::ReadOnly));
        EXPECT_TRUE(text.readAll().contains("IMG_0001.jpg"));
    }
    // The journal and a saved order keep the original.
    form->flushJournal();
    {
        const QList<JournalLine> journal = OrderJournal(OrderJournal::pathBeside(settingsPath())).lines();
        ASSERT_EQ(journal.size(), 2);
        EXPECT_EQ(journal[0].path, heic);
    }
    const QString saved = dir.file(QStringLiteral("order.json"));
    ASSERT_TRUE(form->saveOrderTo(saved));

    // A finished build empties the order: its converted pictures go.
    form->clearOrder();
    EXPECT_FALSE(QFileInfo::exists(convertedPath));
    EXPECT_TRUE(QDir(cacheFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // The saved order converts it again.
    messages.clear();
    ASSERT_TRUE(form->openOrderFrom(saved));
    settle();
    ASSERT_EQ(lines(), 2);
    EXPECT_EQ(line(0).path(), convertedPath);
    EXPECT_TRUE(QFileInfo::exists(convertedPath));
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.texts().join('|').toStdString();

    // A second picture of the same name from another folder is converted
    // beside it, and the duplicate rule judges it by its caption.
    const QString twin = file(QStringLiteral("other/IMG_0001.HEIC"), makeHeic(grainy(200, 160), {}, 1, {}));
    form->dropPictures({QUrl::fromLocalFile(dir.file(QStringLiteral("other")))});
    settle();
    EXPECT_EQ(lines(), 2);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.startsWith(QStringLiteral("A fájlt már felvette")));
    EXPECT_EQ(QDir(cacheFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1); // pruned again
    Q_UNUSED(twin);
}

// The progress dialog comes from the queue's signals; Enter (a key meant for
// the file dialog before) keeps the batch, Esc ends it with nothing added,
// even while a helper hangs.
TEST_F(MainFormPhone, EnterKeepsTheConversionAndEscEndsAHangingOne)
{
    openWithPrices();
    const QString hanging = file(QStringLiteral("helper.sh"), QByteArray("#!/bin/sh\nexec sleep 60\n"));
    QFile::setPermissions(hanging, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    form->phoneBatch().setHelper(hanging);
    const QString heic = file(QStringLiteral("phone/IMG_0003.HEIC"), makeHeic(grainy(200, 160), {}, 1, {}));

    chosen = {heic};
    form->findChild<QAction*>(QStringLiteral("miAddPhone"))->trigger();
    QProgressDialog* progress = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return (progress = form->findChild<QProgressDialog*>(QStringLiteral("PhoneProgress")))
                && progress->isVisible();
        },
        10000));
    QTest::keyClick(progress, Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_TRUE(form->phoneBatchRunning());
    QTest::keyClick(progress, Qt::Key_Escape);
    settle();
    EXPECT_EQ(lines(), 0);
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.texts().join('|').toStdString();
}
