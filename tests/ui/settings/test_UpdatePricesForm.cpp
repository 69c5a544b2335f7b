#include "tests/support/widgets/DialogTestUtil.h"

#include "core/PriceData.h"
#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"
#include "ui/settings/MoneyEdit.h"
#include "ui/settings/UpdatePricesForm.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace pelmar;
using pelmar::test::typeInto;

namespace {

const QStringList kPrices = {QStringLiteral("9x13|45|1800x1200|900x600"), QStringLiteral("10x15|60|2100x1500|1050x750"),
                             QStringLiteral("13x18|120|2400x1800|1200x900")};

struct Editor
{
    explicit Editor(const QStringList& prices = kPrices, const QStringList& values = {})
        : form(nullptr, prices, values)
    {
        test::showActive(&form);
    }
    ~Editor()
    {
        // Leave without the close query: the tests have seen what they wanted.
        form.QDialog::done(QDialog::Rejected);
    }

    void fill(const QString& size, const QString& opt, const QString& min, const QString& price)
    {
        form.Size->setText(size);
        form.OptRes->setText(opt);
        form.MinRes->setText(min);
        typeInto(form.BruttoAr, price);
    }
    int rows() const { return form.ArList->rowCount(); }
    QString cell(int row, int column) const { return form.ArList->item(row, column)->text(); }
    qint32 rowPrice(int row) const { return form.ArList->item(row, 0)->data(Qt::UserRole).toInt(); }

    TUpdatePricesForm form;
    ScriptedMessages messages;
};

} // namespace

TEST(UpdatePricesForm, OpensWithItsCaptionsRowsCdPriceAndTabOrder)
{
    Editor e(kPrices, {QStringLiteral("CD=1500")});
    TUpdatePricesForm& f = e.form;
    EXPECT_TRUE(f.ArList->hasFocus());
    const QList<QPair<QString, QString>> captions = {
        {f.windowTitle(), QStringLiteral("Árlista")},
        {f.Panel1->text(), QStringLiteral("Jelenleg tárolt árak")},
        {f.Panel2->text(), QStringLiteral("Árlista módosítása")},
        {f.NewPriceBtn->text(), QStringLiteral("Új")},
        {f.ChgSizeBtn->text(), QStringLiteral("Módosítás")},
        {f.OKBtn->text(), QStringLiteral("OK")},
        {f.CancelBtn->text(), QStringLiteral("Mégse")},
        {f.HelpBtn->text(), QStringLiteral("Súgó")},
        {f.ArList->horizontalHeaderItem(0)->text(), QStringLiteral("Méret")},
        {f.ArList->horizontalHeaderItem(1)->text(), QStringLiteral("Optimális felbontás")},
        {f.ArList->horizontalHeaderItem(2)->text(), QStringLiteral("Minimális felbontás")},
        {f.ArList->horizontalHeaderItem(3)->text(), QStringLiteral("Bruttó ár")},
    };
    for (const auto& [shown, expected] : captions)
        EXPECT_EQ(shown, expected);
    EXPECT_TRUE(f.OKBtn->isDefault());
    // A cell edited in place would skip every check of the fields below.
    EXPECT_EQ(f.ArList->editTriggers(), QAbstractItemView::NoEditTriggers);

    ASSERT_EQ(e.rows(), 3);
    EXPECT_EQ(QStringList({e.cell(1, 0), e.cell(1, 1), e.cell(1, 2), e.cell(1, 3)}),
              QStringList({"10x15", "2100x1500", "1050x750", "60 Ft"}));
    EXPECT_EQ(e.rowPrice(2), 120);
    EXPECT_EQ(f.CDIndex->text(), QStringLiteral("1\u00a0500 Ft"));
    for (const QStringList& values : {QStringList {}, QStringList {QStringLiteral("CD=sok")}}) {
        Editor other(kPrices, values);
        EXPECT_EQ(other.form.CDIndex->text(), QStringLiteral("0 Ft"));
    }

    const QList<QWidget*> expected
        = {f.ArList, f.Size, f.OptRes, f.MinRes, f.BruttoAr, f.NewPriceBtn, f.OKBtn, f.CancelBtn, f.HelpBtn, f.CDIndex};
    EXPECT_FALSE(f.ChgSizeBtn->isEnabled());
    EXPECT_EQ(test::tabChain(f.ArList), expected); // ChgSizeBtn is skipped while disabled
    f.ArList->selectRow(0);
    QList<QWidget*> withChange = expected;
    withChange.insert(6, f.ChgSizeBtn);
    EXPECT_EQ(test::tabChain(f.ArList), withChange);
    // Passing through the list chose no other row.
    EXPECT_EQ(f.ArList->selectionModel()->selectedRows().value(0).row(), 0);
    EXPECT_EQ(f.Size->text(), QStringLiteral("9x13"));
}

TEST(UpdatePricesForm, SelectingARowCopiesItAndEmptySpaceDisablesChange)
{
    Editor e;
    e.form.ArList->selectRow(2);
    EXPECT_EQ(e.form.Size->text(), QStringLiteral("13x18"));
    EXPECT_EQ(e.form.OptRes->text(), QStringLiteral("2400x1800"));
    EXPECT_EQ(e.form.MinRes->text(), QStringLiteral("1200x900"));
    EXPECT_EQ(e.form.BruttoAr->wholeForints(), 120);
    EXPECT_TRUE(e.form.ChgSizeBtn->isEnabled());

    // A click below the last row.
    QWidget* viewport = e.form.ArList->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
    EXPECT_TRUE(e.form.ArList->selectionModel()->selectedRows().isEmpty());
    EXPECT_FALSE(e.form.ChgSizeBtn->isEnabled());
    EXPECT_EQ(e.form.Size->text(), QStringLiteral("13x18"));
    EXPECT_EQ(e.form.BruttoAr->wholeForints(), 120);
}

TEST(UpdatePricesForm, EmptyListCannotBeLeftAnyWay)
{
    Editor e(QStringList {});
    auto check = [&](const char* how, const std::function<void()>& close) {
        SCOPED_TRACE(how);
        e.messages.clear();
        close();
        EXPECT_TRUE(e.form.isVisible());
        EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kEmptyListText});
        EXPECT_EQ(e.messages.shown().first().kind, MessageKind::Error);
    };
    check("OK", [&] { e.form.OKBtn->click(); });
    check("Mégse", [&] { e.form.CancelBtn->click(); });
    check("Esc", [&] { QTest::keyClick(&e.form, Qt::Key_Escape); });
    check("close box", [&] { e.form.close(); });

    e.messages.clear();
    e.fill(QStringLiteral("9x13"), QStringLiteral("1800x1200"), QStringLiteral("900x600"), QStringLiteral("45"));
    e.form.NewPriceBtn->click();
    EXPECT_TRUE(e.messages.texts().isEmpty());
    e.form.OKBtn->click();
    EXPECT_FALSE(e.form.isVisible());
    EXPECT_EQ(e.form.result(), QDialog::Accepted);
    EXPECT_EQ(e.form.priceList(), QStringList {QStringLiteral("9x13|45|1800x1200|900x600")});
    EXPECT_EQ(e.form.sizeItems(), QStringList {QStringLiteral("9x13")});
    EXPECT_EQ(e.form.settingValues(), QStringList {QStringLiteral("CD=0")});
}

TEST(UpdatePricesForm, NewRowDuplicatesIgnoreCaseButNotBlanks)
{
    Editor e;
    e.fill(QStringLiteral("9X13"), QStringLiteral("1x1"), QStringLiteral("1x1"), QStringLiteral("10"));
    e.form.NewPriceBtn->click();
    EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kDuplicateText});
    EXPECT_EQ(e.rows(), 3);
    EXPECT_EQ(e.form.Size->text(), QStringLiteral("9X13"));

    e.messages.clear();
    e.form.Size->setText(QStringLiteral(" 9x13"));
    e.form.NewPriceBtn->click();
    EXPECT_TRUE(e.messages.texts().isEmpty());
    ASSERT_EQ(e.rows(), 4);
    EXPECT_EQ(e.cell(3, 0), QStringLiteral(" 9x13"));
    // The new row is selected and its values are back in the fields.
    EXPECT_EQ(e.form.ArList->selectionModel()->selectedRows().first().row(), 3);
    EXPECT_TRUE(e.form.ChgSizeBtn->isEnabled());
}

TEST(UpdatePricesForm, FieldRefusalsComeInOrderWithTheirMessageAndFocus)
{
    // The field checks run top to bottom; the refusals of a size that is no
    // folder name, of "|" in the optimal resolution and of an amount beyond
    // 32 bits wait until every field passed the emptiness and "x" checks.
    struct Case
    {
        const char* name;
        QString size, opt, min, price, message;
        const char* focus;
    };
    const QList<Case> cases = {
        {"size empty", "  ", "", "", "10", TUpdatePricesForm::kSizeEmptyText, "Size"},
        {"opt empty", "20x30", " ", "", "10", TUpdatePricesForm::kOptEmptyText, "OptRes"},
        {"opt capital X", "20x30", "1800X1200", "1x1", "10", TUpdatePricesForm::kOptNoXText, "OptRes"},
        {"min empty", "20x30", "1800x1200", "", "10", TUpdatePricesForm::kMinEmptyText, "MinRes"},
        {"min no x", "20x30", "1800x1200", "900*600", "10", TUpdatePricesForm::kMinNoXText, "MinRes"},
        {"opt with bar", "20x30", "1800x1200|2", "1x1", "10", TUpdatePricesForm::kOptBarText, "OptRes"},
        {"bad size, empty opt", "9x13?", " ", "1x1", "10", TUpdatePricesForm::kOptEmptyText, "OptRes"},
        {"bad size, opt without x", "9/13", "12", "1x1", "10", TUpdatePricesForm::kOptNoXText, "OptRes"},
        {"long size, empty min", QString(300, 'a'), "1x1", "", "10", TUpdatePricesForm::kMinEmptyText, "MinRes"},
        {"opt with bar, min without x", "20x30", "1x1|", "11", "10", TUpdatePricesForm::kMinNoXText, "MinRes"},
        {"huge price, blank min", "20x30", "1x1", "\t", "99999999999", TUpdatePricesForm::kMinEmptyText, "MinRes"},
        {"bad size, bar, huge price", "9x13:", "1x1|", "1x1", "99999999999", TUpdatePricesForm::kSizeBadText, "Size"},
        {"bar and huge price", "20x30", "1x1|", "1x1", "99999999999", TUpdatePricesForm::kOptBarText, "OptRes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editor e;
        e.fill(c.size, c.opt, c.min, c.price);
        e.form.Image1->setFocus(); // somewhere else
        e.form.NewPriceBtn->click();
        EXPECT_EQ(e.messages.texts(), QStringList {c.message});
        EXPECT_EQ(e.rows(), 3);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(c.focus));
        EXPECT_EQ(e.form.OptRes->text(), c.opt); // fields kept as typed
    }

    // The whole format rule is one lower-case x somewhere; MinRes may hold "|".
    Editor e;
    e.fill(QStringLiteral("x1"), QStringLiteral("ax"), QStringLiteral("x|y|z"), QStringLiteral("0"));
    e.form.NewPriceBtn->click();
    EXPECT_TRUE(e.messages.texts().isEmpty());
    ASSERT_EQ(e.rows(), 4);
    e.form.OKBtn->click();
    EXPECT_EQ(e.form.priceList().last(), QStringLiteral("x1|0|ax|x|y|z"));
    EXPECT_EQ(ParsePriceData(e.form.priceList().last()).MinRes, QStringLiteral("x|y|z"));
}

TEST(UpdatePricesForm, SizeNamesThatCannotBeAFolderAreRefused)
{
    QStringList refused;
    for (const QChar c : QStringLiteral("\\/:*?\"<>|"))
        refused << QStringLiteral("9") + c + QStringLiteral("13");
    refused << QStringLiteral("9x13\t") << QStringLiteral("9\tx13") << QStringLiteral("a\x01")
            << QStringLiteral("\x7f");
    for (const QString& size : refused) {
        SCOPED_TRACE(size.toStdString());
        Editor e;
        e.fill(size, QStringLiteral("1x1"), QStringLiteral("1x1"), QStringLiteral("10"));
        e.form.NewPriceBtn->click();
        EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kSizeBadText});
        EXPECT_EQ(e.rows(), 3);
        EXPECT_EQ(QApplication::focusWidget(), e.form.Size);

        // "Módosítás" applies the same rule.
        e.messages.clear();
        e.form.ArList->selectRow(0);
        e.fill(size, QStringLiteral("1x1"), QStringLiteral("1x1"), QStringLiteral("10"));
        e.form.ChgSizeBtn->click();
        EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kSizeBadText});
        EXPECT_EQ(e.cell(0, 0), QStringLiteral("9x13"));
    }
    // A name whose folder would pass the file system's name limit has its
    // own message; one byte less is taken.
    {
        Editor e;
        e.fill(QString(125, QChar(0xC1)), QStringLiteral("1x1"), QStringLiteral("1x1"), QStringLiteral("10"));
        e.form.NewPriceBtn->click();
        EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kSizeLongText});
        EXPECT_EQ(QApplication::focusWidget(), e.form.Size);
        e.messages.clear();
        e.fill(QString(122, QChar(0xC1)) + "x", QStringLiteral("1x1"), QStringLiteral("1x1"), QStringLiteral("10"));
        e.form.NewPriceBtn->click();
        EXPECT_TRUE(e.messages.texts().isEmpty());
        EXPECT_EQ(e.rows(), 4);
    }
}

TEST(UpdatePricesForm, TypedAmountsAreTruncatedTowardZeroAndRangeChecked)
{
    struct Case
    {
        QString typed;
        bool accepted;
        qint32 price;
    };
    const QList<Case> cases = {
        {QStringLiteral("199.99"), true, 199},
        {QStringLiteral("199,99"), true, 199},
        {QStringLiteral("-10.5"), true, -10},
        {QStringLiteral("-0.99"), true, 0},
        {QStringLiteral("1e9"), true, 19}, // "e" cannot be typed
        {QStringLiteral("abc"), true, 0}, // nothing can be typed
        {QStringLiteral("12.345"), true, 12}, // a third decimal cannot be typed
        {QStringLiteral("2147483647"), true, 2147483647},
        {QStringLiteral("-2147483648"), true, std::numeric_limits<qint32>::min()},
        {QStringLiteral("2147483648"), false, 0},
        {QStringLiteral("99999999999"), false, 0},
        {QStringLiteral("-99999999999.5"), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Editor e;
        e.fill(QStringLiteral("50x70"), QStringLiteral("1x1"), QStringLiteral("1x1"), c.typed);
        e.form.NewPriceBtn->click();
        if (!c.accepted) {
            EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kPriceRangeText});
            EXPECT_EQ(e.rows(), 3);
            EXPECT_EQ(QApplication::focusWidget(), e.form.BruttoAr);
            continue;
        }
        EXPECT_TRUE(e.messages.texts().isEmpty());
        ASSERT_EQ(e.rows(), 4);
        EXPECT_EQ(e.rowPrice(3), c.price);
        EXPECT_EQ(e.cell(3, 3), QString::number(c.price) + QStringLiteral(" Ft"));
    }
}

TEST(UpdatePricesForm, MoneyFieldShowsWholeForintsWhenLeft)
{
    Editor e;
    auto enter = [&](const QString& typed) {
        e.form.BruttoAr->setFocus();
        EXPECT_TRUE(e.form.BruttoAr->isEditing());
        typeInto(e.form.BruttoAr, typed);
        EXPECT_EQ(e.form.BruttoAr->text(), typed);
        e.form.Size->setFocus();
        EXPECT_FALSE(e.form.BruttoAr->isEditing());
        return e.form.BruttoAr->text();
    };
    EXPECT_EQ(enter(QStringLiteral("1234.56")), QStringLiteral("1\u00a0234 Ft"));
    EXPECT_EQ(enter(QStringLiteral("-7.9")), QStringLiteral("-7 Ft"));
    EXPECT_EQ(enter(QString()), QStringLiteral("0 Ft"));
    EXPECT_EQ(enter(QStringLiteral("-")), QStringLiteral("0 Ft"));
    // Coming back shows the amount as it was typed.
    e.form.BruttoAr->setFocus();
    EXPECT_EQ(e.form.BruttoAr->text(), QStringLiteral("-"));
}

TEST(UpdatePricesForm, ChangeNeedsASelectionAndMayDuplicateASize)
{
    Editor e;
    e.form.ChgSizeBtnClick();
    EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kNoSelectionText});

    e.messages.clear();
    e.form.ArList->selectRow(0);
    e.fill(QStringLiteral("10x15"), QStringLiteral("2100x1500"), QStringLiteral("1050x750"), QStringLiteral("75.5"));
    e.form.ChgSizeBtn->click();
    EXPECT_TRUE(e.messages.texts().isEmpty());
    EXPECT_EQ(e.cell(0, 0), QStringLiteral("10x15"));
    EXPECT_EQ(e.cell(0, 3), QStringLiteral("75 Ft"));
    EXPECT_EQ(e.rowPrice(0), 75);
    e.form.OKBtn->click();
    EXPECT_EQ(e.form.sizeItems(),
              QStringList({QStringLiteral("10x15"), QStringLiteral("10x15"), QStringLiteral("13x18")}));
}

TEST(UpdatePricesForm, OkWritesBackAndCancelLosesTheChanges)
{
    {
        Editor e(kPrices, {QStringLiteral("X=5"), QStringLiteral("CD=100")});
        typeInto(e.form.CDIndex, QStringLiteral("1999.9"));
        e.fill(QStringLiteral("20x30"), QStringLiteral("3000x2000"), QStringLiteral("1500x1000"),
               QStringLiteral("450"));
        e.form.NewPriceBtn->click();
        e.form.OKBtn->click();
        EXPECT_EQ(e.form.result(), QDialog::Accepted);
        EXPECT_EQ(e.form.priceList(), kPrices + QStringList {QStringLiteral("20x30|450|3000x2000|1500x1000")});
        EXPECT_EQ(e.form.settingValues(), QStringList({QStringLiteral("X=5"), QStringLiteral("CD=1999")}));
    }
    {
        Editor e(kPrices, {QStringLiteral("CD=100")});
        e.fill(QStringLiteral("20x30"), QStringLiteral("3000x2000"), QStringLiteral("1500x1000"),
               QStringLiteral("450"));
        e.form.NewPriceBtn->click();
        QTest::keyClick(&e.form, Qt::Key_Escape);
        EXPECT_FALSE(e.form.isVisible());
        EXPECT_EQ(e.form.result(), QDialog::Rejected);
        EXPECT_EQ(e.form.priceList(), kPrices);
        EXPECT_EQ(e.form.settingValues(), QStringList {QStringLiteral("CD=100")});
    }
    {
        // A CD price beyond 32 bits is refused at OK instead of being stored as 0.
        Editor e;
        typeInto(e.form.CDIndex, QStringLiteral("99999999999"));
        e.form.OKBtn->click();
        EXPECT_TRUE(e.form.isVisible());
        EXPECT_EQ(e.messages.texts(), QStringList {TUpdatePricesForm::kCdRangeText});
        EXPECT_EQ(QApplication::focusWidget(), e.form.CDIndex);
    }
}

TEST(UpdatePricesForm, F1AndSugoOpenTheTopicAndKeepTheDialog)
{
    QStringList topics;
    Help::setRequestObserver([&](const QString& t) { topics.append(t); });
    {
        Editor e;
        QTest::keyClick(e.form.Size, Qt::Key_F1);
        QTest::keyClick(e.form.ArList, Qt::Key_F1);
        e.form.HelpBtn->click();
        EXPECT_TRUE(e.form.isVisible());
        EXPECT_TRUE(e.form.Size->text().isEmpty());
    }
    Help::setRequestObserver({});
    EXPECT_EQ(topics, QStringList(3, QStringLiteral("updateprices.html")));
}
