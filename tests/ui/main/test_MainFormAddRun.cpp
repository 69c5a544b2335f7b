#include "tests/support/widgets/MainFormFixture.h"

#include "core/NativePath.h"
#include "output/FileOp.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

const QString kSuitable = QStringLiteral("A kép méretei megfelelőek a kiválaszott nagyításhoz.");

using AddRun = MainFormTest;

} // namespace

TEST_F(AddRun, OneAcceptedJpegBecomesTheOnlySelectedLineWithEditorsAndPreview)
{
    openWithPrices();
    Darab(*form)->setValue(2);
    const QString path = jpeg(QStringLiteral("a/Kep1.JPG"), 150, 100);
    add({path});
    ASSERT_EQ(lines(), 1);
    EXPECT_TRUE(messages.shown().isEmpty());
    const OrderLine& l = line(0);
    EXPECT_EQ(l.Caption, QStringLiteral("Kep1.JPG"));
    EXPECT_EQ(
        l.SubItems,
        QStringList({QStringLiteral("100x150"), QStringLiteral("fill"), QStringLiteral("9x13"), QStringLiteral("2"),
                     QStringLiteral("85 Ft"), QStringLiteral("170 Ft"), kSuitable, path, QString()}));
    EXPECT_EQ(l.ImageIndex, 0);
    EXPECT_EQ(form->selectedRows(), QList<int>({0}));
    EXPECT_EQ(status(), kSuitable);
    EXPECT_TRUE(statusIconShown());
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("2 db"));
    EXPECT_EQ(SumPrice(*form)->text(), QStringLiteral("170 Ft"));
    EXPECT_EQ(LItemSumPrice(*form)->text(), QStringLiteral("170 Ft"));
    EXPECT_TRUE(DelPic(*form)->isEnabled());
    EXPECT_EQ(settledPreview().size(), QSize(150, 100));
    // Controls are back as they were.
    EXPECT_FALSE(PBAdd(*form)->isVisible());
    EXPECT_TRUE(ToolBar1(*form)->isEnabled());
    EXPECT_TRUE(Panel1(*form)->isEnabled());
    EXPECT_TRUE(AddPic(*form)->isEnabled());
}

TEST_F(AddRun, RefusedFilesShowOneBoxEachAndLeaveNoLine)
{
    openWithPrices();
    const QString low = jpeg(QStringLiteral("low.jpg"), 140, 100);
    const QString tiff = file(QStringLiteral("scan.TIFF"), QByteArray(60000, 'x'));
    const QString tooSmall = jpeg(QStringLiteral("small.jpg"), 150, 100, 51199);
    const QString exact = jpeg(QStringLiteral("exact.jpeg"), 150, 100, 51200);
    const QString garbage = file(QStringLiteral("garbage.jpg"), QByteArray(60000, '\x42'));
    const QString bmp = dir.file(QStringLiteral("picture.bmp"));
    QImage bitmap(150, 120, QImage::Format_RGB32);
    bitmap.fill(Qt::blue);
    ASSERT_TRUE(bitmap.save(bmp, "BMP"));
    const QString sameName = jpeg(QStringLiteral("other/LOW.jpg"), 150, 100);
    add({low, tiff, tooSmall, exact, garbage, bmp, sameName});

    ASSERT_EQ(lines(), 3);
    EXPECT_EQ(line(0).Caption, QStringLiteral("low.jpg"));
    EXPECT_EQ(line(0).ImageIndex, 2);
    EXPECT_EQ(line(0).info(),
              QStringLiteral("A kép felbontása (100x140) a megengedett minimum (100x150) alatt van. Ennél a képnél "
                             "minőségi reklamációt nem tudunk elfogadni."));
    EXPECT_EQ(line(1).Caption, QStringLiteral("scan.TIFF"));
    EXPECT_EQ(line(1).resolution(), QStringLiteral("Ismeretlen"));
    EXPECT_EQ(line(2).Caption, QStringLiteral("exact.jpeg"));

    const QStringList texts = messages.texts();
    ASSERT_EQ(texts.size(), 4) << texts.join(QLatin1String(" | ")).toStdString();
    for (const ShownMessage& m : messages.shown()) {
        EXPECT_EQ(m.kind, MessageKind::Error);
        EXPECT_EQ(m.title, QStringLiteral("Hiba"));
    }
    EXPECT_EQ(texts[0], SizeRuleMessage(QStringLiteral("small.jpg")));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("JPEG error #"))) << texts[1].toStdString();
    EXPECT_TRUE(texts[1].endsWith(QStringLiteral("\n\n") + garbage)) << "names its file";
    EXPECT_TRUE(texts[2].startsWith(QStringLiteral("A következő fájl sérült vagy nem JPG formátumú:\n\n")))
        << texts[2].toStdString();
    EXPECT_EQ(texts[3],
              QStringLiteral("A fájlt már felvette az összeállításba ezzel a mérettel és kitöltéssel:\n\n"
                             "low.jpg"));

    // Several new lines: all selected, the preview shows its empty text.
    EXPECT_EQ(form->selectedRows(), QList<int>({0, 1, 2}));
    EXPECT_TRUE(form->previewPicture().path().isEmpty());
    EXPECT_EQ(status(), MainForm::idleStatusText());
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("3 db"));
    EXPECT_EQ(SumPrice(*form)->text(), QStringLiteral("255 Ft"));

    // The low line alone: red cross and its warning in the status line.
    select({0});
    EXPECT_TRUE(statusIconShown());
    EXPECT_EQ(status(), line(0).info());
    EXPECT_EQ(settledPreview().size(), QSize(140, 100));
    // The TIFF line alone: nothing is read from the file.
    select({1});
    EXPECT_TRUE(form->previewPicture().path().isEmpty());
    EXPECT_EQ(status(), kSuitable);
}

TEST_F(AddRun, DuplicateOfAnEarlierRunFocusesTheLineAndAnotherFillModeAddsOne)
{
    openWithPrices();
    const QString a = jpeg(QStringLiteral("a.jpg"), 150, 100);
    const QString b = jpeg(QStringLiteral("b.jpg"), 150, 100);
    add({a, b});
    ASSERT_EQ(lines(), 2);
    select({0});
    messages.clear();
    add({b});
    EXPECT_EQ(lines(), 2);
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral("A fájlt már felvette az összeállításba ezzel a mérettel és kitöltéssel:\n\n"
                                          "b.jpg")}));
    // The selection from before the run was cleared; the found line has the
    // focus mark.
    EXPECT_TRUE(form->selectedRows().isEmpty());
    EXPECT_EQ(FileList(*form)->currentIndex().row(), 1);

    // The same file with "fit" or another size is a new line.
    messages.clear();
    RBFit(*form)->setChecked(true);
    add({b});
    CBSize(*form)->setCurrentIndex(1);
    add({b});
    EXPECT_TRUE(messages.shown().isEmpty());
    ASSERT_EQ(lines(), 4);
    EXPECT_EQ(line(2).fill(), QStringLiteral("fit"));
    EXPECT_EQ(line(3).size(), QStringLiteral("10x15"));
    EXPECT_EQ(line(3).info().left(12), QStringLiteral("A kép felbon"));
}

TEST_F(AddRun, CancelledDialogChangesNoLineButResyncsTheEditors)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    form->previewPicture().clear();
    add({});
    EXPECT_EQ(lines(), 1);
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("1 db"));
    // Reloaded from the selection.
    EXPECT_EQ(settledPreview().size(), QSize(150, 100));
}

TEST_F(AddRun, VanishedFileEndsTheRunKeepingTheLinesAddedSoFar)
{
    openWithPrices();
    const QString a = jpeg(QStringLiteral("a.jpg"), 150, 100);
    const QString b = jpeg(QStringLiteral("b.jpg"), 150, 100);
    const QString gone = dir.file(QStringLiteral("gone.jpg"));
    add({a, gone, b});
    ASSERT_EQ(lines(), 1);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().front().kind, MessageKind::GeneralError);
    EXPECT_EQ(messages.shown().front().title, QApplication::applicationName());
    EXPECT_EQ(messages.shown().front().text, gone + QStringLiteral(": File not found."));
    // Restored controls, and the totals, editors and preview still ran.
    EXPECT_FALSE(PBAdd(*form)->isVisible());
    EXPECT_TRUE(ToolBar1(*form)->isEnabled());
    EXPECT_TRUE(AddPic(*form)->isEnabled());
    EXPECT_EQ(form->selectedRows(), QList<int>({0}));
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("1 db"));
    EXPECT_EQ(status(), kSuitable);
    EXPECT_EQ(settledPreview().size(), QSize(150, 100));

    // A folder in place of a picture cannot be measured either.
    messages.clear();
    QDir().mkpath(dir.file(QStringLiteral("folder.jpg")));
    add({dir.file(QStringLiteral("folder.jpg")), b});
    EXPECT_EQ(lines(), 1);
    EXPECT_EQ(messages.texts(), QStringList({dir.file(QStringLiteral("folder.jpg: File access denied."))}));
}

TEST_F(AddRun, OrderCommandsAreBlockedWhileTheRunHandlesEvents)
{
    openWithPrices();
    add({jpeg(QStringLiteral("first.jpg"), 150, 100)});
    select({0});
    const QString a = jpeg(QStringLiteral("a.jpg"), 150, 100);
    bool checked = false;
    // The first chance comes before the first file, the second between files.
    QTimer::singleShot(0, form.get(), [&] {
        QTimer::singleShot(0, form.get(), [&] {
            checked = true;
            EXPECT_TRUE(form->addRunActive());
            EXPECT_TRUE(PBAdd(*form)->isVisible());
            EXPECT_EQ(status(), QStringLiteral("Folyamat:"));
            EXPECT_FALSE(ToolBar1(*form)->isEnabled());
            EXPECT_FALSE(Panel1(*form)->isEnabled());
            for (QAction* a : {AddPic(*form), DelPic(*form), OutputMegr(*form), PrintMegr(*form), ShowPrices(*form)})
                EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
            for (QAction* a : {Contents(*form), About(*form), UserData(*form), miJumpPelmar(*form), SelectAll(*form)})
                EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
            // Called directly, the handlers refuse too.
            form->DelPicExecute();
            form->ModSelBtnClick();
            EXPECT_EQ(form->order().lineCount(), 1);
        });
    });
    add({a, jpeg(QStringLiteral("b.jpg"), 150, 100)});
    EXPECT_TRUE(checked);
    EXPECT_EQ(lines(), 3);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(AddRun, ClosingDuringTheRunStopsItAndThenCloses)
{
    openWithPrices();
    QStringList files;
    for (int i = 0; i < 5; ++i)
        files.append(jpeg(QStringLiteral("p%1.jpg").arg(i), 150, 100));
    add({files[0]});
    messages.queueAnswer(MessageAnswer::Yes);
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    add(files.mid(1));
    EXPECT_LT(lines(), 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 5000));
    EXPECT_EQ(messages.shown().size(), 1);
}

TEST_F(AddRun, ThousandsOfFilesAreAddedInOneRedraw)
{
    openWithPrices();
    const QByteArray bytes = makeJpeg(150, 100, 52000);
    const QString first = file(QStringLiteral("many/p0000.jpg"), bytes);
    QStringList files {first};
    // Hard links: thousands of names, one picture's worth of disk.
    for (int i = 1; i < 3000; ++i) {
        const QString name = dir.file(QStringLiteral("many/p%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_EQ(::link(QFile::encodeName(first).constData(), QFile::encodeName(name).constData()), 0);
        files.append(name);
    }
    files.append(files[17]); // one duplicate in the same run
    QSignalSpy inserted(&form->order(), &QAbstractItemModel::rowsInserted);
    add(files);
    EXPECT_EQ(lines(), 3000);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(form->selectedRows().size(), 3000);
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("3000 db"));
    EXPECT_EQ(SumPrice(*form)->text(), QStringLiteral("255000 Ft"));
}

TEST_F(AddRun, QuantityTypedOutOfRangeIsConfirmedBeforeTheRun)
{
    openWithPrices();
    Darab(*form)->setFocus();
    Darab(*form)->editor()->setText(QStringLiteral("-7"));
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    ASSERT_EQ(lines(), 1);
    EXPECT_EQ(line(0).quantityText(), QStringLiteral("0"));
    Darab(*form)->editor()->setText(QStringLiteral("5000"));
    add({jpeg(QStringLiteral("b.jpg"), 150, 100)});
    EXPECT_EQ(line(1).quantityText(), QStringLiteral("1000"));
    EXPECT_EQ(line(1).SubItems[SubLineTotal], QStringLiteral("85000 Ft"));
}

TEST_F(AddRun, EmptyPriceListAddsWithAnEmptyEntry)
{
    openForm();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    ASSERT_EQ(lines(), 1);
    EXPECT_EQ(line(0).size(), QString());
    EXPECT_EQ(line(0).SubItems[SubUnitPrice], QStringLiteral("0 Ft"));
    EXPECT_EQ(line(0).ImageIndex, 0);
}

TEST_F(AddRun, NamesThatAreNoUtf8AreAddedAndCopiedByTheirBytes)
{
    openWithPrices();
    // A card of an old camera: Latin-2 "é" and "ő" as single bytes, in the
    // name of a folder and of a picture.
    const QByteArray card = QFile::encodeName(dir.file(QStringLiteral("kártya")));
    const QByteArray name = card + "/\xe9v/f\xf5nyk\xe9p.jpg";
    const QByteArray bytes = makeJpeg(150, 100, 52000);
    // The temporary folder's own removal cannot see such names.
    const std::unique_ptr<const char, void (*)(const char*)> remove(
        card.constData(), [](const char* path) { std::filesystem::remove_all(path); });
    ASSERT_TRUE(::mkdir(card.constData(), 0700) == 0 && ::mkdir((card + "/\xe9v").constData(), 0700) == 0);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_TRUE(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size()));
    ::close(fd);
    form->dropPictures({QUrl::fromLocalFile(QFile::decodeName(card))});
    ASSERT_EQ(lines(), 1) << messages.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(NativePath(line(0).path()), name);
    EXPECT_EQ(line(0).Caption, QStringLiteral("főnykép.jpg")) << "read as code page 1250";
    EXPECT_EQ(line(0).ImageIndex, 0) << line(0).info().toStdString();
    const QString copy = dir.file(QStringLiteral("copy.jpg"));
    ASSERT_TRUE(CopyFileAtomic(line(0).path(), copy));
    EXPECT_EQ(QFile(copy).size(), bytes.size());
}
