#include "core/AppError.h"
#include "core/OrderModel.h"
#include "tests/support/Printers.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace pelmar;

namespace {

const TPriceData k9x13 {QStringLiteral("9x13"), 100, QStringLiteral("1200x1800"), QStringLiteral("800x1200")};
const TPriceData k10x15 {QStringLiteral("10x15"), 150, QStringLiteral("1500x2100"), QStringLiteral("1000x1500")};

int add(OrderModel& m, const QString& path, const TPriceData& e, bool fill = true, int quantity = 1)
{
    return m.AddOrderLine(path, QStringLiteral("1800x1200"), StatusAccepted, QStringLiteral("ok"), fill, e,
                          QString::number(quantity), quantity);
}

EditorValues editor(const TPriceData& e, int quantity, bool fill = true)
{
    EditorValues v;
    v.sizeSelected = true;
    v.sizeName = e.Size;
    v.fill = fill;
    v.quantity = quantity;
    v.currentPrice = e;
    return v;
}

// Every line as text, so "nothing changed" is one comparison.
QStringList snapshot(const OrderModel& m)
{
    QStringList out;
    for (int r = 0; r < m.lineCount(); ++r) {
        const OrderLine& l = m.line(r);
        out << l.Caption + '|' + l.SubItems.join('|') + '|' + QString::number(l.Data) + '|'
                + QString::number(l.ImageIndex);
    }
    return out;
}

} // namespace

TEST(AddOrderLine, FillsEverySubItemPosition)
{
    OrderModel m;
    const int row = m.AddOrderLine("/home/u/Képek/nyár 2024;1.v2.JPG", "1800x1200", StatusBelowMinimum, "info\ntext",
                                   false, k10x15, "3", 3);
    ASSERT_EQ(row, 0);
    const OrderLine& l = m.line(0);
    EXPECT_EQ(l.Caption, "nyár 2024;1.v2.JPG");
    EXPECT_EQ(l.SubItems,
              (QStringList {"1800x1200", "fit", "10x15", "3", "150 Ft", "450 Ft", "info\ntext",
                            "/home/u/Képek/nyár 2024;1.v2.JPG", ""}));
    EXPECT_EQ(l.SubItems[SubLineTotal], l.SubItems.at(5));
    EXPECT_EQ(l.Data, 150);
    EXPECT_EQ(l.ImageIndex, StatusBelowMinimum);
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), "nyár 2024;1.v2.JPG");
    EXPECT_EQ(m.data(m.index(0, 0), OrderModel::StatusIconRole).toInt(), StatusBelowMinimum);
    // What the red cross says, for a screen reader.
    EXPECT_EQ(m.data(m.index(0, 0), Qt::AccessibleTextRole).toString(), "nyár 2024;1.v2.JPG, a minimum alatt");
    EXPECT_EQ(m.data(m.index(0, 0), Qt::AccessibleDescriptionRole).toString(), "info text");
}

TEST(AddOrderLine, QuantityTextIsAlwaysTheBoxValue)
{
    OrderModel m;
    // A box holding no integer (empty, a lone sign) has the value 0.
    m.AddOrderLine("/p/a.jpg", "1x1", 0, "", true, k9x13, "", 0);
    m.AddOrderLine("/p/b.jpg", "1x1", 0, "", true, k9x13, "-", 0);
    m.AddOrderLine("/p/c.jpg", "1x1", 0, "", true, k9x13, "007", 7);
    EXPECT_EQ(m.line(0).quantityText(), "0");
    EXPECT_EQ(m.line(1).quantityText(), "0");
    EXPECT_EQ(m.line(2).quantityText(), "7");
    EXPECT_EQ(m.line(0).SubItems[SubLineTotal], "0 Ft");
    EXPECT_EQ(m.line(2).SubItems[SubLineTotal], "700 Ft");
    // ...so the totals can always read every line back.
    EXPECT_EQ(m.UpdateTotals().quantityText(), "7 db");
    EXPECT_EQ(m.UpdateTotals().priceText(), "700 Ft");
}

TEST(FindOrderItem, NameIgnoresCaseSizeAndModeDoNot)
{
    OrderModel m;
    add(m, "/one/Photo.JPG", k9x13, false); // fit
    add(m, "/two/photo.jpg", k9x13, true); // fill, another folder
    add(m, "/one/other.jpg", k10x15, true);
    // The first line is passed over for "fill" and the second returned.
    EXPECT_EQ(m.FindOrderItem("PHOTO.jpg", "9x13", true), 1);
    EXPECT_EQ(m.FindOrderItem("photo.jpg", "9x13", false), 0);
    EXPECT_EQ(m.FindOrderItem("photo.jpg", "9X13", true), -1);
    EXPECT_EQ(m.FindOrderItem("photo.jpg", "10x15", true), -1);
    EXPECT_EQ(m.FindOrderItem("other.jpg", "10x15", true), 2);
    EXPECT_EQ(m.FindOrderItem("other", "10x15", true), -1);
    EXPECT_EQ(m.FindOrderItem("ÁRVÍZ.jpg", "9x13", true), -1);
    add(m, "/x/árvíz.jpg", k9x13, true);
    EXPECT_EQ(m.FindOrderItem("ÁRVÍZ.JPG", "9x13", true), 3);
}

TEST(ModifySelected, RefusalsComeInOrderAndChangeNothing)
{
    OrderModel m;
    add(m, "/p/a.jpg", k9x13);
    const QStringList before = snapshot(m);
    int checks = 0;
    const OrderModel::Checker check = [&](const QString&, const TPriceData&) {
        ++checks;
        return CheckResult {StatusAccepted, "", ""};
    };

    EditorValues noSize = editor(k10x15, 5000);
    noSize.sizeSelected = false;
    EXPECT_EQ(m.ModifySelected({}, noSize, check), ModifyRefusal::NoSize);
    EXPECT_EQ(m.ModifySelected({}, editor(k10x15, 1001), check), ModifyRefusal::BadQuantity);
    EXPECT_EQ(m.ModifySelected({0}, editor(k10x15, -1), check), ModifyRefusal::BadQuantity);
    EXPECT_EQ(m.ModifySelected({}, editor(k10x15, 1000), check), ModifyRefusal::NoSelection);
    EXPECT_EQ(m.ModifySelected({}, editor(k10x15, 0), check), ModifyRefusal::NoSelection);
    EXPECT_EQ(snapshot(m), before);
    EXPECT_EQ(checks, 0);

    EXPECT_EQ(OrderModel::refusalText(ModifyRefusal::NoSize), "Nem jelölt ki méretet!");
    EXPECT_EQ(OrderModel::refusalText(ModifyRefusal::BadQuantity), "A méret mező tartalma nem megfelelő!");
    EXPECT_EQ(OrderModel::refusalText(ModifyRefusal::NoSelection), "Nincs kijelölt kép!");
    EXPECT_EQ(OrderModel::refusalText(ModifyRefusal::None), "");
}

TEST(ModifySelected, RechecksAndRepricesTheSelectedLinesOnly)
{
    OrderModel m;
    add(m, "/p/a.jpg", k9x13, true, 1);
    add(m, "/p/b.jpg", k9x13, true, 2);
    add(m, "/p/c.jpg", k9x13, true, 4);
    const QStringList untouched = snapshot(m).mid(1, 1);
    QStringList checked;
    const OrderModel::Checker check = [&](const QString& path, const TPriceData& e) {
        checked << path + '@' + e.MinRes;
        // The check's own resolution text never replaces the line's.
        return CheckResult {path.endsWith("c.jpg") ? int(StatusRefused) : int(StatusBelowMinimum), "1x1",
                            "msg " + path};
    };
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    ASSERT_EQ(m.ModifySelected({2, 0, 2}, editor(k10x15, 3, false), check), ModifyRefusal::None);
    EXPECT_EQ(checked, (QStringList {"/p/a.jpg@1000x1500", "/p/c.jpg@1000x1500"})); // list order, once each
    EXPECT_EQ(changed.count(), 2);
    for (int row : {0, 2}) {
        const OrderLine& l = m.line(row);
        EXPECT_EQ(l.resolution(), "1800x1200");
        EXPECT_EQ(l.fill(), "fit");
        EXPECT_EQ(l.size(), "10x15");
        EXPECT_EQ(l.quantityText(), "3");
        EXPECT_EQ(l.SubItems[SubUnitPrice], "150 Ft");
        EXPECT_EQ(l.SubItems[SubLineTotal], "450 Ft");
        EXPECT_EQ(l.info(), "msg " + l.path());
        EXPECT_EQ(l.Data, 150);
    }
    EXPECT_EQ(m.line(0).ImageIndex, StatusBelowMinimum);
    EXPECT_EQ(m.line(2).ImageIndex, StatusRefused); // stays in the order, no icon
    EXPECT_EQ(snapshot(m).mid(1, 1), untouched);
    EXPECT_EQ(m.UpdateTotals().quantityText(), "8 db");
    EXPECT_EQ(m.UpdateTotals().priceText(), "1100 Ft"); // 3*150 + 2*100 + 3*150
}

TEST(ModifySelected, QuantityZeroAndDuplicatesAreKept)
{
    OrderModel m;
    add(m, "/p/a.jpg", k9x13, true, 5);
    add(m, "/q/A.JPG", k10x15, false, 5);
    const OrderModel::Checker check = [](const QString&, const TPriceData&) {
        return CheckResult {StatusAccepted, "", "ok"};
    };
    ASSERT_EQ(m.ModifySelected({0, 1}, editor(k10x15, 0, true), check), ModifyRefusal::None);
    EXPECT_EQ(m.lineCount(), 2); // now duplicates of each other; both stay
    EXPECT_EQ(m.FindOrderItem("a.jpg", "10x15", true), 0);
    EXPECT_EQ(m.line(1).SubItems[SubLineTotal], "0 Ft");
    EXPECT_EQ(m.UpdateTotals().quantityText(), "0 db");
    EXPECT_EQ(m.UpdateTotals().priceText(), "0 Ft");
}

TEST(ModifySelected, VanishedFileClearsTheIconWithTheCheckMessage)
{
    OrderModel m;
    add(m, "/no/such/folder/gone.jpg", k9x13);
    ASSERT_EQ(m.ModifySelected({0}, editor(k10x15, 2)), ModifyRefusal::None); // the real check
    EXPECT_EQ(m.line(0).ImageIndex, StatusRefused);
    EXPECT_EQ(m.line(0).info(), "File not found");
    EXPECT_EQ(m.line(0).SubItems[SubLineTotal], "300 Ft");
}

TEST(DeleteSelected, QuestionNamesASingleLineAndRunsGoInOneSignalEach)
{
    OrderModel m;
    for (int i = 0; i < 10; ++i)
        add(m, QStringLiteral("/p/%1.jpg").arg(i), k9x13, true, i);
    EXPECT_EQ(m.deleteQuestion({1}), "Biztos törli a képet a megrendelésből:\n\n1.jpg ?");
    EXPECT_EQ(m.deleteQuestion({0, 2}), "Biztos törli a kijelölt képeket a megrendelésből?");
    QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
    // Unsorted, repeated and out-of-range rows among them.
    m.removeLines({9, 1, 2, 3, 5, 8, 99, -1, 2});
    EXPECT_EQ(removed.count(), 3); // 8-9, 5, 1-3
    QStringList names;
    for (int r = 0; r < m.lineCount(); ++r)
        names << m.line(r).Caption;
    EXPECT_EQ(names, (QStringList {"0.jpg", "4.jpg", "6.jpg", "7.jpg"}));
    EXPECT_EQ(m.rowCount(), 4);
    EXPECT_EQ(m.UpdateTotals().quantityText(), "17 db");

    m.setNewName(1, "kep00001");
    m.setNewName(5, "ignored");
    EXPECT_EQ(m.line(1).newName(), "kep00001");
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.clear();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_TRUE(m.isEmpty());
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.UpdateTotals().priceText(), "0 Ft");
}

TEST(UpdateTotals, EmptyOrderAndSumsBeyond32Bits)
{
    OrderModel m;
    EXPECT_EQ(m.UpdateTotals().quantityText(), "0 db");
    EXPECT_EQ(m.UpdateTotals().priceText(), "0 Ft");
    const TPriceData dear {QStringLiteral("poster"), 2147483647, QString(), QString()};
    add(m, "/p/a.jpg", dear, true, 1000);
    add(m, "/p/b.jpg", dear, true, 1000);
    add(m, "/p/c.jpg", TPriceData {QStringLiteral("x"), -2147483647 - 1, QString(), QString()}, true, 1);
    EXPECT_EQ(m.line(0).SubItems[SubLineTotal], "2147483647000 Ft");
    const Totals t = m.UpdateTotals();
    EXPECT_EQ(t.quantity, 2001);
    EXPECT_EQ(t.price, 2LL * 1000 * 2147483647 - 2147483648LL);
    EXPECT_EQ(t.priceText(), "4292819810352 Ft");
}

TEST(Reprice, FollowsTheNewPricesAndKeepsLinesOfMissingSizes)
{
    OrderModel m;
    add(m, "/p/a.jpg", k9x13, true, 3);
    add(m, "/p/b.jpg", TPriceData {QStringLiteral("10X15"), 150, {}, {}}, false, 2);
    add(m, "/p/c.jpg", TPriceData {QStringLiteral("13x18"), 300, {}, {}}, true, 1);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    m.reprice({"9x13|120|1200x1800|800x1200", "10x15|200|a|b", "9x13|999|first wins|x"});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m.line(0).SubItems[SubUnitPrice], "120 Ft");
    EXPECT_EQ(m.line(0).SubItems[SubLineTotal], "360 Ft");
    EXPECT_EQ(m.line(0).Data, 120);
    EXPECT_EQ(m.line(1).SubItems[SubLineTotal], "400 Ft"); // size found, letter case ignored
    EXPECT_EQ(m.line(1).size(), "10X15"); // size name untouched
    EXPECT_EQ(m.line(2).SubItems[SubUnitPrice], "300 Ft"); // no longer listed: kept
    EXPECT_EQ(m.line(2).Data, 300);
    EXPECT_EQ(m.UpdateTotals().priceText(), "1060 Ft");
}

TEST(Batch, PendingLinesAreSearchedAndAnnouncedOnce)
{
    OrderModel m;
    add(m, "/p/before.jpg", k9x13);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    m.beginBatch();
    EXPECT_TRUE(m.inBatch());
    EXPECT_EQ(add(m, "/p/one.jpg", k9x13), 1);
    EXPECT_EQ(add(m, "/p/two.jpg", k9x13), 2);
    // The add run's duplicate search sees the lines it has added so far...
    EXPECT_EQ(m.FindOrderItem("ONE.jpg", "9x13", true), 1);
    EXPECT_EQ(m.lineCount(), 3);
    EXPECT_EQ(m.line(2).Caption, "two.jpg");
    EXPECT_EQ(m.UpdateTotals().quantityText(), "3 db");
    // ...while views do not, until the batch ends.
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(m.endBatch(), (QList<int> {1, 2}));
    EXPECT_FALSE(m.inBatch());
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    EXPECT_EQ(inserted[0][2].toInt(), 2);
    EXPECT_EQ(m.rowCount(), 3);
    // An empty batch announces nothing.
    m.beginBatch();
    EXPECT_TRUE(m.endBatch().isEmpty());
    EXPECT_EQ(inserted.count(), 1);
}
