#include "output/OrderText.h"
#include "tests/output/OrderFixtures.h"

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

QList<OrderLine> exampleLines()
{
    OrderModel model;
    addLine(model, QStringLiteral("/home/bolt/kepek/IMG_0001.JPG"), QStringLiteral("9x13"), 120, true, 2);
    addLine(model, QStringLiteral("/home/bolt/kepek/nyaralas.jpg"), QStringLiteral("10x15"), 150, false, 1);
    model.setNewName(0, QStringLiteral("kep00001"));
    model.setNewName(1, QStringLiteral("kep00002"));
    return model.lines();
}

QList<QByteArray> splitLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line must end with CRLF";
    lines.removeLast();
    for (QByteArray& l : lines) {
        EXPECT_TRUE(l.endsWith('\r'));
        l.chop(1);
    }
    return lines;
}

} // namespace

TEST(OrderText, WorkedExampleByteForByteWithAndWithoutTheCdLine)
{
    for (const bool cd : {true, false}) {
        const QByteArray text = OrderText::compose(exampleFields(), exampleLines(), cd, QStringLiteral("500"),
                                                   cd ? QStringLiteral("890 Ft") : QStringLiteral("390 Ft"));
        EXPECT_EQ(text, exampleOrderText(cd)) << "with CD: " << cd;
    }
}

TEST(OrderText, ColumnsKeepTheirWidthsAndLongValuesShiftTheRest)
{
    const QList<QByteArray> header = splitLines(OrderText::compose(exampleFields(), {}, false, {}, "0 Ft"));
    ASSERT_EQ(header.size(), 30); // head, no item line, closing block
    EXPECT_EQ(header[25].size(), 80);
    EXPECT_EQ(header[27], "");
    EXPECT_EQ(header[28], QByteArray(35, '='));

    // 25 characters: one space before the fill mode; 26: none; longer shifts.
    const QString base = QStringLiteral("/p/");
    auto item = [&](const QString& name) {
        OrderLine l = makeLine(base + name, QStringLiteral("9x13"), 120, true, 2);
        l.SubItems[SubNewName] = QStringLiteral("kep00001");
        return OrderText::itemLine(l);
    };
    const QString n25 = QString(21, QLatin1Char('a')) + QStringLiteral(".jpg");
    const QString n26 = QString(22, QLatin1Char('a')) + QStringLiteral(".jpg");
    const QString n30 = QString(26, QLatin1Char('a')) + QStringLiteral(".jpg");
    EXPECT_EQ(item(n25).mid(14, 27), n25 + QStringLiteral(" f"));
    EXPECT_EQ(item(n26).mid(14, 27), n26 + QStringLiteral("f"));
    EXPECT_EQ(item(n25).size(), 80);
    EXPECT_EQ(item(n30).size(), 84);
    EXPECT_TRUE(item(n30).endsWith(QStringLiteral("240 Ft")));

    // No extension: the file name column is the new name alone.
    EXPECT_TRUE(item(QStringLiteral("noext")).startsWith(QStringLiteral("kep00001      noext")));
}

TEST(OrderText, FieldsAreWrittenAsTypedAndUnknownCharactersAsQuestionMarks)
{
    OrderFields f = exampleFields();
    f.Megj = QStringLiteral("Köszönjük ✓ 😀");
    f.UserNev = QStringLiteral("  Minta  ");
    f.VevoCim = QStringLiteral(" x ");
    OrderLine l = makeLine(QStringLiteral("/p/kép😀.jpg"), QStringLiteral("9x13"), 120, true, 2);
    l.SubItems[SubNewName] = QStringLiteral("kep00001");
    const QList<QByteArray> lines = splitLines(OrderText::compose(f, {l}, false, {}, QStringLiteral("240 Ft")));
    EXPECT_EQ(lines[12], "Megjegyz\xE9s: K\xF6sz\xF6nj\xFCk ? ?");
    EXPECT_EQ(lines[27].size(), 80) << "the emoji counts as one column";
    EXPECT_TRUE(lines[27].startsWith("kep00001.jpg  k\xE9p?.jpg   "));
    // Blanks are kept as typed.
    EXPECT_EQ(lines[8], "N\xE9v:   Minta  ");
    EXPECT_EQ(lines[19], "C\xEDm:  x ");

    // Accents as a letter and a combining mark (a file name copied from a
    // Mac, pasted text) are the letters of code page 1250, one column each;
    // a mark with no composed letter stays "?".
    const QString decomposed = QStringLiteral("Te\u0301ri o\u030Bsz U\u0308 x\u0301");
    f.Megj = decomposed;
    OrderLine mac = makeLine(QStringLiteral("/p/Na\u0301szu\u030Bl.jpg"), QStringLiteral("9x13"), 120, true, 2);
    mac.SubItems[SubNewName] = QStringLiteral("kep00001");
    const QList<QByteArray> composed = splitLines(OrderText::compose(f, {mac}, false, {}, QStringLiteral("240 Ft")));
    EXPECT_EQ(composed[12], "Megjegyz\xE9s: T\xE9ri \xF5sz \xDC x?");
    EXPECT_EQ(composed[27].size(), 80) << "a composed letter is one column";
    EXPECT_TRUE(composed[27].startsWith("kep00001.jpg  N\xE1sz\xFBl.jpg" + QByteArray(16, ' ') + "fill"))
        << composed[27].constData();
}

TEST(OrderText, CdLineUsesTheStoredTextUnchangedOrBlanks)
{
    auto cdLine = [](const QString& stored) {
        OrderText t;
        t.addClosing(true, stored, QStringLiteral("1 Ft"));
        return t.lines().value(1);
    };
    EXPECT_EQ(cdLine(QStringLiteral("500")), QStringLiteral("CD írás és indexkép:         500 Ft"));
    EXPECT_EQ(cdLine(QString()), QStringLiteral("CD írás és indexkép: ") + QString(11, QLatin1Char(' ')) + " Ft");
    EXPECT_EQ(cdLine(QStringLiteral(" 0500")), QStringLiteral("CD írás és indexkép:        0500 Ft"));
    EXPECT_EQ(cdLine(QStringLiteral("12345678901234")), QStringLiteral("CD írás és indexkép: 12345678901234 Ft"));
}

TEST(OrderText, SettingTextFindsTheNamedValueIgnoringCase)
{
    EXPECT_EQ(SettingText({"X=1", "cd=500", "CD=7"}, "CD"), "500");
    EXPECT_EQ(SettingText({"CDX=1"}, "CD"), "");
    EXPECT_EQ(SettingText({"CD="}, "CD"), "");
    EXPECT_EQ(SettingText({"CD=a=b"}, "CD"), "a=b");
}
