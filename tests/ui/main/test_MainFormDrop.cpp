#include "tests/support/widgets/MainFormFixture.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

using namespace pelmar;
using namespace pelmar::test;

namespace {

class MainFormDrop : public MainFormTest
{
protected:
    // Delivers a real drag-enter and drop to the picture list, as the desktop would.
    bool drop(const QStringList& paths)
    {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls.append(QUrl::fromLocalFile(p));
        mime->setUrls(urls);
        QWidget* target = FileList(*form)->viewport();
        const QPointF pos(10, 10);
        QDragEnterEvent enter(pos.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        const bool accepted = enter.isAccepted();
        QDropEvent dropEvent(pos, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
        QTest::qWait(20); // the add run starts once the drop is over
        delete mime;
        return accepted;
    }

    QStringList captions()
    {
        QStringList out;
        for (int r = 0; r < lines(); ++r)
            out.append(line(r).Caption);
        return out;
    }
};

} // namespace

TEST_F(MainFormDrop, FolderTreeIsAddedInNameOrderWithTheAddRunsRules)
{
    openWithPrices();
    jpeg("drop/b.jpg", 200, 300);
    jpeg("drop/A.JPEG", 200, 300);
    jpeg("drop/nested/deeper/c.jpg", 200, 300);
    jpeg("drop/nested/small.jpg", 200, 300, 51199); // refused by the size rule
    file("drop/nested/notes.txt", QByteArray(60000, 'x')); // not a picture: not taken
    file("drop/fake.jpg", QByteArray(60000, 'x')); // taken, refused by the check
    file("drop/scan.TIF", QByteArray(60000, 'x')); // TIFF, accepted unopened
    const QString loose = jpeg("loose.jpg", 200, 300);

    EXPECT_TRUE(drop({dir.file("drop"), loose}));
    EXPECT_EQ(captions(), (QStringList {"A.JPEG", "b.jpg", "scan.TIF", "c.jpg", "loose.jpg"}));
    // One error box for each refused file, in the order they were met.
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_TRUE(messages.shown()[0].text.startsWith("JPEG error #"));
    EXPECT_TRUE(messages.shown()[1].text.startsWith("A fájl mérete kisebb, mint 50 KB."));
    EXPECT_TRUE(messages.shown()[1].text.endsWith("small.jpg"));
    // The new lines are selected and the totals follow.
    EXPECT_EQ(form->selectedRows().size(), 5);
    EXPECT_EQ(SumMenny(*form)->text(), "5 db");
}

TEST_F(MainFormDrop, DuplicatesOfTheOrderAreReportedNotAddedTwice)
{
    openWithPrices();
    const QString a = jpeg("x/a.jpg", 200, 300);
    add({a});
    ASSERT_EQ(lines(), 1);
    messages.clear();
    jpeg("y/a.jpg", 200, 300); // same name in another folder counts as the same picture
    drop({dir.file("x"), dir.file("y")});
    EXPECT_EQ(lines(), 1);
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_TRUE(messages.shown()[0].text.startsWith("A fájlt már felvette az összeállításba"));
}

TEST_F(MainFormDrop, NonLocalDropsAreRefusedAndNothingHappens)
{
    openWithPrices();
    auto* mime = new QMimeData;
    mime->setText("hello");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(FileList(*form)->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    delete mime;
    EXPECT_FALSE(form->acceptsDrop(nullptr));
    EXPECT_EQ(lines(), 0);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(MainFormDrop, DropDuringAnAddRunIsRefusedQuietly)
{
    openWithPrices();
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many.append(jpeg(QStringLiteral("run/p%1.jpg").arg(i, 3, 10, QLatin1Char('0')), 200, 300));
    const QString late = jpeg("late/q.jpg", 200, 300);
    bool sawRun = false;
    bool refused = false;
    // While the run serves events (it does before its first file), a drop arrives.
    QTimer::singleShot(0, form.get(), [&] {
        sawRun = form->addRunActive();
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(late)});
        refused = !form->acceptsDrop(mime);
        form->dropPictures(mime->urls());
        delete mime;
    });
    add(many);
    ASSERT_TRUE(sawRun);
    EXPECT_TRUE(refused);
    EXPECT_EQ(lines(), 40);
    EXPECT_EQ(form->order().FindOrderItem("q.jpg", "9x13", true), -1);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(MainFormDrop, TenThousandDroppedFilesRunLikeOneAddRun)
{
    openWithPrices();
    // Small TIFF stand-ins keep the test quick: they pass unopened.
    const QByteArray bytes(51200, 't');
    for (int i = 0; i < 10000; ++i)
        file(QStringLiteral("big/%1/s%2.tif").arg(i / 1000).arg(i, 5, 10, QLatin1Char('0')), bytes);
    drop({dir.file("big")});
    EXPECT_EQ(lines(), 10000);
    EXPECT_EQ(line(0).Caption, "s00000.tif");
    EXPECT_EQ(line(9999).Caption, "s09999.tif");
    EXPECT_EQ(form->selectedRows().size(), 10000);
    EXPECT_FALSE(form->addRunActive());
}
