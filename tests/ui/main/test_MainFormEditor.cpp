#include "tests/support/widgets/MainFormFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace pelmar;
using namespace pelmar::test;

namespace {

using Editor = MainFormTest;

} // namespace

TEST_F(Editor, SyncForOneLineAndKeptValuesForSeveral)
{
    openWithPrices();
    const QString a = jpeg(QStringLiteral("a.jpg"), 150, 100);
    RBFit(*form)->setChecked(true);
    CBSize(*form)->setCurrentIndex(2);
    Darab(*form)->setValue(4);
    add({a});
    RBFill(*form)->setChecked(true);
    CBSize(*form)->setCurrentIndex(0);
    Darab(*form)->setValue(1);
    add({jpeg(QStringLiteral("b.jpg"), 300, 200)});
    ASSERT_EQ(lines(), 2);

    select({0});
    EXPECT_TRUE(RBFit(*form)->isChecked());
    EXPECT_EQ(CBSize(*form)->currentText(), QStringLiteral("13x18"));
    EXPECT_EQ(Darab(*form)->value(), 4);
    EXPECT_EQ(form->currentPrice().Price, 250);
    EXPECT_EQ(LItemPrice(*form)->text(), QStringLiteral("250 Ft"));
    EXPECT_EQ(LItemSumPrice(*form)->text(), QStringLiteral("1000 Ft"));
    EXPECT_TRUE(statusIconShown()); // below the 13x18 minimum: red cross
    EXPECT_TRUE(DelPic(*form)->isEnabled());
    // The info text's line feeds become blanks in the status line.
    EXPECT_FALSE(status().contains(QLatin1Char('\n')));

    // Several lines: the editors keep what they hold.
    select({0, 1});
    EXPECT_TRUE(RBFit(*form)->isChecked());
    EXPECT_EQ(Darab(*form)->value(), 4);
    EXPECT_EQ(status(), MainForm::idleStatusText());
    EXPECT_FALSE(statusIconShown());
    EXPECT_TRUE(form->previewPicture().path().isEmpty());

    select({});
    EXPECT_FALSE(DelPic(*form)->isEnabled());
}

TEST_F(Editor, ModifyRefusalsInTheirOrderAndTheirFocus)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    select({});

    // 3. no line selected
    ModSelBtn(*form)->click();
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Nincs kijelölt kép!")}));
    EXPECT_EQ(QApplication::focusWidget(), FileList(*form));

    // 2. quantity out of range (typed, focus not yet left) comes before 3.
    messages.clear();
    Darab(*form)->setFocus();
    Darab(*form)->editor()->setText(QStringLiteral("1001"));
    form->ModSelBtnClick();
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("A méret mező tartalma nem megfelelő!")}));
    EXPECT_EQ(QApplication::focusWidget(), Darab(*form));

    // 1. no size selected comes first of all.
    messages.clear();
    CBSize(*form)->setCurrentIndex(-1);
    form->ModSelBtnClick();
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Nem jelölt ki méretet!")}));
    EXPECT_EQ(QApplication::focusWidget(), CBSize(*form));
    EXPECT_EQ(line(0).quantityText(), QStringLiteral("1"));
}

TEST_F(Editor, ModifyAppliesTheEditorRowToEverySelectedLine)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100), jpeg(QStringLiteral("b.jpg"), 150, 100),
         jpeg(QStringLiteral("c.jpg"), 150, 100)});
    select({0, 2});
    RBFit(*form)->setChecked(true);
    CBSize(*form)->setCurrentIndex(1);
    Darab(*form)->setValue(3);
    ModSelBtn(*form)->click();
    EXPECT_TRUE(messages.shown().isEmpty());
    for (int r : {0, 2}) {
        EXPECT_EQ(line(r).fill(), QStringLiteral("fit"));
        EXPECT_EQ(line(r).size(), QStringLiteral("10x15"));
        EXPECT_EQ(line(r).quantityText(), QStringLiteral("3"));
        EXPECT_EQ(line(r).SubItems[SubUnitPrice], QStringLiteral("120 Ft"));
        EXPECT_EQ(line(r).SubItems[SubLineTotal], QStringLiteral("360 Ft"));
        EXPECT_EQ(line(r).ImageIndex, 2); // 150x100 is below the 10x15 minimum
    }
    EXPECT_EQ(line(1).size(), QStringLiteral("9x13"));
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("7 db"));
    EXPECT_EQ(SumPrice(*form)->text(), QStringLiteral("805 Ft"));
}

TEST_F(Editor, DeleteAsksByTheNumberOfSelectedLines)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100), jpeg(QStringLiteral("b.jpg"), 150, 100),
         jpeg(QStringLiteral("c.jpg"), 150, 100)});
    select({1});
    messages.queueAnswer(MessageAnswer::No);
    DelPic(*form)->trigger();
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Biztos törli a képet a megrendelésből:\n\nb.jpg ?")}));
    EXPECT_EQ(messages.shown().front().kind, MessageKind::Confirmation);
    EXPECT_EQ(lines(), 3);

    messages.clear();
    messages.queueAnswer(MessageAnswer::Closed); // closing the box counts as yes
    DelPic(*form)->trigger();
    EXPECT_EQ(lines(), 2);
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("2 db"));

    messages.clear();
    select({0, 1});
    DelPic(*form)->trigger();
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Biztos törli a kijelölt képeket a megrendelésből?")}));
    EXPECT_EQ(lines(), 0);
    EXPECT_EQ(SumMenny(*form)->text(), QStringLiteral("0 db"));
    EXPECT_EQ(SumPrice(*form)->text(), QStringLiteral("0 Ft"));
    EXPECT_FALSE(DelPic(*form)->isEnabled());
}

// Ctrl+A, Ctrl+N and Del act on the list window-wide, also from the quantity
// box, whose text field would otherwise take Del and Ctrl+A as its own.
TEST_F(Editor, ListShortcutsActFromTheListAndFromTheQuantityBox)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100), jpeg(QStringLiteral("b.jpg"), 150, 100),
         jpeg(QStringLiteral("c.jpg"), 150, 100)});
    select({1});
    form->activateWindow();
    FileList(*form)->setFocus();
    QTest::keyClick(FileList(*form), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(form->selectedRows().isEmpty());
    QTest::keyClick(FileList(*form), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->selectedRows(), QList<int>({0, 1, 2}));
    EXPECT_TRUE(DelPic(*form)->isEnabled());

    select({1});
    Darab(*form)->setFocus();
    QTest::keyClick(Darab(*form), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->selectedRows(), QList<int>({0, 1, 2}));
    messages.queueAnswer(MessageAnswer::Yes);
    QTest::keyClick(Darab(*form), Qt::Key_Delete);
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Biztos törli a kijelölt képeket a megrendelésből?")}));
    EXPECT_EQ(lines(), 0);
}

TEST_F(Editor, QuantityBoxRules)
{
    openWithPrices();
    QuantityBox* box = Darab(*form);
    box->setFocus();
    box->editor()->selectAll();
    QTest::keyClicks(box->editor(), QStringLiteral("12ab"));
    EXPECT_EQ(box->text(), QStringLiteral("12"));
    EXPECT_EQ(LItemSumPrice(*form)->text(), QStringLiteral("1020 Ft"));
    // Signs and the decimal separator may be typed; a text that is no
    // integer has the value 0.
    box->editor()->selectAll();
    QTest::keyClicks(box->editor(), QStringLiteral("1") + QLocale().decimalPoint() + QStringLiteral("5"));
    EXPECT_EQ(box->value(), 0);
    EXPECT_EQ(LItemSumPrice(*form)->text(), QStringLiteral("0 Ft"));
    box->editor()->setText(QStringLiteral("+7"));
    EXPECT_EQ(box->value(), 7);

    // Out of range while typing; the nearer limit when the focus leaves.
    box->editor()->setText(QStringLiteral("-3"));
    EXPECT_EQ(box->value(), -3);
    FileList(*form)->setFocus();
    EXPECT_EQ(box->text(), QStringLiteral("0"));
    box->setFocus();
    box->editor()->setText(QStringLiteral("99999"));
    FileList(*form)->setFocus();
    EXPECT_EQ(box->value(), 1000);

    // The buttons never pass the limits.
    box->stepBy(1);
    EXPECT_EQ(box->value(), 1000);
    box->setValue(0);
    box->stepBy(-1);
    EXPECT_EQ(box->value(), 0);
    box->stepBy(5);
    EXPECT_EQ(box->value(), 5);
}

TEST_F(Editor, LineWhoseSizeLeftThePriceListShowsNoSizeAndZeroPrices)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    // The price list loses 9x13.
    form->priceList() = QStringList({kPrice10x15, kPrice13x18});
    form->rebuildSizeBox();
    CBSize(*form)->setCurrentIndex(0);
    form->CBSizeChange();
    select({});
    select({0});
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(CBSize(*form)->currentIndex(), -1);
    EXPECT_EQ(LItemPrice(*form)->text(), QStringLiteral("0 Ft"));
    EXPECT_EQ(LItemSumPrice(*form)->text(), QStringLiteral("0 Ft"));
    // The rest of the sync still ran.
    EXPECT_EQ(status(), QStringLiteral("A kép méretei megfelelőek a kiválaszott nagyításhoz."));
    EXPECT_FALSE(settledPreview().isEmpty());
    form->ModSelBtnClick();
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Nem jelölt ki méretet!")}));
    EXPECT_EQ(line(0).SubItems[SubUnitPrice], QStringLiteral("85 Ft"));
}

TEST_F(Editor, VanishedOrBrokenPreviewFileEmptiesThePreviewQuietly)
{
    openWithPrices();
    const QString a = jpeg(QStringLiteral("a.jpg"), 150, 100);
    const QString b = jpeg(QStringLiteral("b.jpg"), 150, 100);
    add({a, b});
    QFile::remove(a);
    QFile f(b);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(100, 'z'));
    f.close();
    for (int r : {0, 1}) {
        select({r});
        EXPECT_TRUE(settledPreview().isEmpty()) << r;
        EXPECT_TRUE(form->previewPicture().failed()) << r;
        EXPECT_EQ(status(), QStringLiteral("A kép méretei megfelelőek a kiválaszott nagyításhoz."));
        EXPECT_TRUE(DelPic(*form)->isEnabled());
    }
    EXPECT_TRUE(messages.shown().isEmpty());
    // Modify re-checks the vanished file: its message becomes the info text.
    select({0});
    form->ModSelBtnClick();
    EXPECT_EQ(line(0).ImageIndex, -1);
    EXPECT_EQ(line(0).info(), QStringLiteral("File not found"));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(Editor, InfoTipIsTheLinesInfoTextUnchanged)
{
    openWithPrices();
    add({jpeg(QStringLiteral("a.jpg"), 140, 100), jpeg(QStringLiteral("b.jpg"), 150, 100)});
    EXPECT_EQ(form->FileListInfoTip(0), line(0).info());
    EXPECT_TRUE(form->FileListInfoTip(0).contains(QStringLiteral("(100x140)")));
    EXPECT_EQ(form->FileListInfoTip(1), QStringLiteral("A kép méretei megfelelőek a kiválaszott nagyításhoz."));
    EXPECT_EQ(form->FileListInfoTip(5), QString());
    EXPECT_EQ(form->FileListInfoTip(-1), QString());
}

TEST_F(Editor, CloseQuestionOnlyWhileLinesExist)
{
    openWithPrices();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(messages.shown().isEmpty());
    form->show();
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    messages.queueAnswer(MessageAnswer::No);
    miExit(*form)->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(lines(), 1);
    ASSERT_EQ(messages.texts(),
              QStringList({QStringLiteral("Megrendelését még nem mentette!\n\nBiztosan kilép a programból?")}));
    messages.queueAnswer(MessageAnswer::Yes);
    miExit(*form)->trigger();
    EXPECT_FALSE(form->isVisible());
}
