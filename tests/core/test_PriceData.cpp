#include "core/AppError.h"
#include "core/PriceData.h"
#include "tests/support/Printers.h"

#include <gtest/gtest.h>

using namespace pelmar;

TEST(ParsePriceData, SeparatorCountsDecideWhatIsKept)
{
    EXPECT_EQ(ParsePriceData("9x13"), TPriceData {});
    EXPECT_EQ(ParsePriceData("9x13|120"), (TPriceData {"9x13", 0, "", ""}));
    EXPECT_EQ(ParsePriceData("9x13|120|1200x1800"), (TPriceData {"9x13", 120, "", ""}));
    EXPECT_EQ(ParsePriceData("9x13|120|1200x1800|800x1200"), (TPriceData {"9x13", 120, "1200x1800", "800x1200"}));
    EXPECT_EQ(ParsePriceData("9x13|120|O|M1|M2"), (TPriceData {"9x13", 120, "O", "M1|M2"}));
    EXPECT_EQ(ParsePriceData("9x13|120 Ft|O|M"), (TPriceData {"9x13", 0, "O", "M"}));
    EXPECT_EQ(ParsePriceData(""), TPriceData {});
    EXPECT_EQ(ParsePriceData("|||"), TPriceData {});
}

TEST(ParsePriceData, ComposeRoundTrips)
{
    const TPriceData e {"10x15", -5, "1500x2100", "1000x1500"};
    EXPECT_EQ(ComposePriceData(e), "10x15|-5|1500x2100|1000x1500");
    EXPECT_EQ(ParsePriceData(ComposePriceData(e)), e);
}

TEST(IntegerConversion, AcceptsOnlyDecimalIntegersInRange)
{
    EXPECT_EQ(StrToIntDef("  -12", 7), -12);
    EXPECT_EQ(StrToIntDef("+3", 7), 3);
    EXPECT_EQ(StrToIntDef("00123", 7), 123);
    EXPECT_EQ(StrToIntDef("2147483647", 7), 2147483647);
    EXPECT_EQ(StrToIntDef("-2147483648", 7), -2147483647 - 1);
    for (const char* bad : {"", " ", "-", "+", "12a", "1 ", "1.5", "1e9", "2147483648", "99999999999999999999", "abc"})
        EXPECT_EQ(StrToIntDef(bad, 7), 7) << bad;
    EXPECT_THROW(StrToInt("x"), AppError);
    try {
        StrToInt("12a");
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), "'12a' is not a valid integer value");
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

TEST(SettingValues, CdReadsAsZeroWhenMissingOrInvalid)
{
    EXPECT_EQ(CdPrice({}), 0);
    EXPECT_EQ(CdPrice({"CD=500"}), 500);
    EXPECT_EQ(CdPrice({"CD=abc"}), 0);
    QStringList v {"X=1"};
    SetSettingValue(v, "CD", 700);
    EXPECT_EQ(v, (QStringList {"X=1", "CD=700"}));
    SetSettingValue(v, "CD", 800);
    EXPECT_EQ(v, (QStringList {"X=1", "CD=800"}));
}

TEST(FindSizeIndex, IgnoresLetterCase)
{
    const QStringList sizes {"9x13", "10x15", "9X13"};
    EXPECT_EQ(FindSizeIndex(sizes, "9X13"), 0);
    EXPECT_EQ(FindSizeIndex(sizes, "10X15"), 1);
    EXPECT_EQ(FindSizeIndex(sizes, "13x18"), -1);
    EXPECT_EQ(SizeNames({"a|1|b|c", "nosep"}), (QStringList {"a", ""}));
}

TEST(ParsePriceData, BadInputNeverFails)
{
    // Blanks are kept as they are; only the price conversion skips leading ones.
    EXPECT_EQ(ParsePriceData(" 9x13 | 120|a |b "), (TPriceData {" 9x13 ", 120, "a ", "b "}));
    EXPECT_EQ(ParsePriceData("9x13|120 |a|b"), (TPriceData {"9x13", 0, "a", "b"}));
    EXPECT_EQ(ParsePriceData("9x13|12.5|a|b").Price, 0);
    EXPECT_EQ(ParsePriceData("9x13|99999999999|a|b").Price, 0);
    EXPECT_EQ(ParsePriceData("9x13|-2147483648|a|b").Price, -2147483647 - 1);
    EXPECT_EQ(ParsePriceData("9x13||a|b"), (TPriceData {"9x13", 0, "a", "b"}));
    EXPECT_EQ(ParsePriceData("||||"), (TPriceData {"", 0, "", "|"}));
    EXPECT_EQ(ParsePriceData("|"), TPriceData {});
    EXPECT_EQ(ParsePriceData("a|1|b|"), (TPriceData {"a", 1, "b", ""}));
    EXPECT_EQ(ParsePriceData(QStringLiteral("méret|١٢|a|b")).Price, 0); // digits of another script
    const QString huge = QString(100000, 'x') + "|5|" + QString(100000, 'y') + '|' + QString(100000, '|');
    const TPriceData e = ParsePriceData(huge);
    EXPECT_EQ(e.Size.size(), 100000);
    EXPECT_EQ(e.Price, 5);
    EXPECT_EQ(e.MinRes, QString(100000, '|'));
    EXPECT_EQ(ComposePriceData(TPriceData {}), "|0||");
    EXPECT_EQ(ParsePriceData(ComposePriceData(TPriceData {})), TPriceData {});
}

TEST(IntegerConversion, OnlySpacesMayLead)
{
    EXPECT_EQ(StrToIntDef("\t5", 7), 7);
    EXPECT_EQ(StrToIntDef("- 5", 7), 7);
    EXPECT_EQ(StrToIntDef("--5", 7), 7);
    EXPECT_EQ(StrToIntDef("0x10", 7), 7);
    EXPECT_EQ(StrToIntDef("-0", 7), 0);
    EXPECT_EQ(StrToIntDef(QString(30, '0') + "42", 7), 42);
    qint32 v = 99;
    EXPECT_FALSE(TryStrToInt("", v));
    EXPECT_EQ(v, 99);
    try {
        StrToInt("");
        ADD_FAILURE() << "no failure for an empty text";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), "'' is not a valid integer value");
    }
}

TEST(SettingValues, NamesIgnoreCaseAndTheFirstLineWins)
{
    EXPECT_EQ(CdPrice({"cd=5"}), 5);
    EXPECT_EQ(CdPrice({"CD= 5"}), 5);
    EXPECT_EQ(CdPrice({"CD="}), 0);
    EXPECT_EQ(CdPrice({"CDX=9", "CD=3"}), 3);
    EXPECT_EQ(CdPrice({"CD=1", "CD=2"}), 1);
    EXPECT_EQ(CdPrice({"CD"}), 0);
    EXPECT_EQ(CdPrice({"=5"}), 0);
    EXPECT_EQ(SettingValue({"A=1=2"}, "A"), 0);
}
