#include "core/AppError.h"
#include "core/PriceData.h"
#include "tests/support/Printers.h"

#include <gtest/gtest.h>

using namespace pelmar;

// A price list line is "size|price|recommended|minimum"; the counts of
// separators decide what is kept, and no text of a damaged settings store may
// make the parse fail.
TEST(ParsePriceData, SeparatorCountsDecideWhatIsKeptAndBadInputNeverFails)
{
    const QList<QPair<QString, TPriceData>> cases = {
        {"9x13", {}},
        {"9x13|120", {"9x13", 0, "", ""}},
        {"9x13|120|1200x1800", {"9x13", 120, "", ""}},
        {"9x13|120|1200x1800|800x1200", {"9x13", 120, "1200x1800", "800x1200"}},
        {"9x13|120|O|M1|M2", {"9x13", 120, "O", "M1|M2"}},
        {"9x13|120 Ft|O|M", {"9x13", 0, "O", "M"}},
        {"", {}},
        {"|", {}},
        {"|||", {}},
        {"||||", {"", 0, "", "|"}},
        {"a|1|b|", {"a", 1, "b", ""}},
        // Blanks are kept as they are; only the price conversion skips leading ones.
        {" 9x13 | 120|a |b ", {" 9x13 ", 120, "a ", "b "}},
        {"9x13|120 |a|b", {"9x13", 0, "a", "b"}},
        {"9x13||a|b", {"9x13", 0, "a", "b"}},
        {"9x13|12.5|a|b", {"9x13", 0, "a", "b"}},
        {"9x13|99999999999|a|b", {"9x13", 0, "a", "b"}},
        {"9x13|-2147483648|a|b", {"9x13", -2147483647 - 1, "a", "b"}},
        {QStringLiteral("méret|١٢|a|b"), {QStringLiteral("méret"), 0, "a", "b"}}, // digits of another script
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(ParsePriceData(text), want) << text.toStdString();

    const QString huge = QString(100000, 'x') + "|5|" + QString(100000, 'y') + '|' + QString(100000, '|');
    const TPriceData e = ParsePriceData(huge);
    EXPECT_EQ(e.Size.size(), 100000);
    EXPECT_EQ(e.Price, 5);
    EXPECT_EQ(e.MinRes, QString(100000, '|'));

    for (const TPriceData& d : {TPriceData {"10x15", -5, "1500x2100", "1000x1500"}, TPriceData {}})
        EXPECT_EQ(ParsePriceData(ComposePriceData(d)), d);
    EXPECT_EQ(ComposePriceData(TPriceData {"10x15", -5, "1500x2100", "1000x1500"}), "10x15|-5|1500x2100|1000x1500");
    EXPECT_EQ(ComposePriceData(TPriceData {}), "|0||");
}

TEST(IntegerConversion, AcceptsOnlyDecimalIntegersInRangeAfterSpaces)
{
    const QList<QPair<QString, int>> good = {
        {"  -12", -12},
        {"+3", 3},
        {"00123", 123},
        {"-0", 0},
        {QString(30, '0') + "42", 42},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [text, value] : good)
        EXPECT_EQ(StrToIntDef(text, 7), value) << text.toStdString();
    for (const char* bad : {"", " ", "-", "+", "12a", "1 ", "1.5", "1e9", "2147483648", "99999999999999999999", "abc",
                            "\t5", "- 5", "--5", "0x10"})
        EXPECT_EQ(StrToIntDef(bad, 7), 7) << bad;

    qint32 v = 99;
    EXPECT_FALSE(TryStrToInt("", v));
    EXPECT_EQ(v, 99);
    for (const char* bad : {"", "12a"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "no failure for " << bad;
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(bad));
        }
    }
}

TEST(SplitResolution, FirstLowerCaseXSplits)
{
    auto check = [](const char* t, int a, int b) {
        const Resolution r = SplitResolution(t);
        EXPECT_EQ(r.A, a) << t;
        EXPECT_EQ(r.B, b) << t;
    };
    check("1000x1500", 1000, 1500);
    check("1500", 0, 1500);
    check("", 0, 0);
    check("1000X1500", 0, 0);
    check("1000x1500x2", 1000, 0);
    check("x1500", 0, 1500);
}

TEST(SettingValues, NamesIgnoreCaseTheFirstLineWinsAndBadValuesReadAsZero)
{
    const QList<QPair<QStringList, int>> cases = {
        {{}, 0},      {{"CD=500"}, 500},      {{"CD=abc"}, 0},       {{"cd=5"}, 5}, {{"CD= 5"}, 5},
        {{"CD="}, 0}, {{"CDX=9", "CD=3"}, 3}, {{"CD=1", "CD=2"}, 1}, {{"CD"}, 0},   {{"=5"}, 0},
    };
    for (const auto& [lines, price] : cases)
        EXPECT_EQ(CdPrice(lines), price) << lines.join(',').toStdString();
    EXPECT_EQ(SettingValue({"A=1=2"}, "A"), 0);

    QStringList v {"X=1"};
    SetSettingValue(v, "CD", 700);
    EXPECT_EQ(v, (QStringList {"X=1", "CD=700"}));
    SetSettingValue(v, "CD", 800);
    EXPECT_EQ(v, (QStringList {"X=1", "CD=800"}));
}

TEST(FindSizeIndex, IgnoresLetterCaseAndTheFirstMatchWins)
{
    const QStringList sizes {"9x13", "10x15", "9X13"};
    EXPECT_EQ(FindSizeIndex(sizes, "9X13"), 0);
    EXPECT_EQ(FindSizeIndex(sizes, "10X15"), 1);
    EXPECT_EQ(FindSizeIndex(sizes, "13x18"), -1);
    EXPECT_EQ(SizeNames({"a|1|b|c", "nosep"}), (QStringList {"a", ""}));
}
