#include "core/PriceData.h"
#include "core/SizeName.h"
#include "core/Text.h"

#include <QList>

#include <gtest/gtest.h>

using namespace pelmar;

TEST(SizeName, NamesThatCannotBeFolderNamesAreRefusedWithTheirReason)
{
    // A size is only the start of its group folder's name ("A4.-fill-1"), so
    // a final dot or blank, and "." or "..", are taken.
    for (const char* good : {"9x13", "10x15 matt", " 9x13", "A4.1", "13×18", "Árlap-é", "A4.", "10x15 ", ".", ".."})
        EXPECT_EQ(CheckSizeName(QString::fromUtf8(good)), SizeNameFault::None) << good;
    const QList<QPair<QString, SizeNameFault>> bad = {
        {"", SizeNameFault::Empty},
        {"9/13", SizeNameFault::Character},
        {"9\\13", SizeNameFault::Character},
        {"a:b", SizeNameFault::Character},
        {"a*", SizeNameFault::Character},
        {"a?", SizeNameFault::Character},
        {"a\"", SizeNameFault::Character},
        {"<a", SizeNameFault::Character},
        {"a>", SizeNameFault::Character},
        {"a|b", SizeNameFault::Character},
        {"a\tb", SizeNameFault::Character},
        {"9x13\n", SizeNameFault::Character},
        {QString(QChar(0)), SizeNameFault::Character},
        {"\x7f", SizeNameFault::Character},
    };
    for (const auto& [name, fault] : bad) {
        EXPECT_EQ(CheckSizeName(name), fault) << name.toStdString();
        EXPECT_FALSE(SizeNameProblem(name).isEmpty()) << name.toStdString();
    }
}

TEST(SizeName, TheLongestFolderOfASizeMustFitTheFileSystemsNameLimit)
{
    // "<size>-fill-1000" takes 10 bytes besides the size: 245 bytes of size
    // are the most, counted in UTF-8 ("Á" takes two).
    EXPECT_EQ(GroupFolderName("9x13", "fill", "1000"), "9x13-fill-1000");
    EXPECT_EQ(CheckSizeName(QString(245, 'a')), SizeNameFault::None);
    EXPECT_EQ(CheckSizeName(QString(246, 'a')), SizeNameFault::Length);
    EXPECT_EQ(CheckSizeName(QString(122, QChar(0xC1)) + "x"), SizeNameFault::None); // 245 bytes
    EXPECT_EQ(CheckSizeName(QString(123, QChar(0xC1))), SizeNameFault::Length); // 246 bytes
    EXPECT_EQ(CheckSizeName(QString(125, QChar(0xC1))), SizeNameFault::Length);
    EXPECT_EQ(CheckSizeName(QString(300, 'x')), SizeNameFault::Length);
    EXPECT_TRUE(SizeNameProblem(QString(300, 'x')).contains("255"));
    // A character outside the basic plane takes four bytes.
    EXPECT_EQ(CheckSizeName(QString::fromUtf8("😀").repeated(61) + "a"), SizeNameFault::None); // 245 bytes
    EXPECT_EQ(CheckSizeName(QString::fromUtf8("😀").repeated(62)), SizeNameFault::Length);
}

TEST(SizeName, GroupFoldersAreRecognisedAsTheBuildNamesThem)
{
    for (const char* good : {"9x13-fill-2", "A4.-fill-1", "10x15 -fit-1000", "a-b-fit-0", "..-fill-3"})
        EXPECT_TRUE(IsGroupFolderName(QString::fromUtf8(good))) << good;
    for (const char* bad : {"9x13", "9x13-fill", "-fill-1", "9x13-Fill-1", "9x13-fill-1001", "9x13-fill-+1",
                            "9x13-fill-1 ", "9x13-fit-", "9:13-fit-1", "fill-1", "9x13-fill-00001"})
        EXPECT_FALSE(IsGroupFolderName(QString::fromUtf8(bad))) << bad;
}

// The one-pass index answers as the look-up does, letter case ignored
// beyond ASCII too, blanks not.
TEST(SizeName, SizeIndexFindsTheSameSizesAsTheLookUp)
{
    const QStringList odd
        = QStringLiteral("9x13|Σ|ς|σ|ß|ẞ|ǅ|Ǆ|ǆ|ÁRLAP|árlap||𐐀|𐐨| 9x13|9x13 |9X13").split(QLatin1Char('|'))
        << QString(QChar(0xD800));
    const SizeIndex index(odd);
    for (int i = 0; i < odd.size(); ++i) {
        const int first = FindSizeIndex(odd, odd[i]);
        EXPECT_EQ(index.find(odd[i]), first) << i;
        EXPECT_EQ(index.firstBefore(i), first < i ? first : -1) << i;
    }
    EXPECT_EQ(index.find("9X13"), 0);
    EXPECT_EQ(index.find("nincs"), -1);
}

TEST(Blanks, OnlyCharactersUpToTheSpaceAreBlanks)
{
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank(" \t\r\n"));
    EXPECT_TRUE(IsBlank(QString(QChar(1)) + QChar(0x1f) + QChar(0)));
    // A no-break space and the other Unicode spaces are characters here.
    EXPECT_FALSE(IsBlank(QString(QChar(0xA0))));
    EXPECT_FALSE(IsBlank(QString(QChar(0x2003))));
    EXPECT_FALSE(IsBlank(QString(QChar(0x7f))));
    EXPECT_EQ(TrimBlanks(QString(" \x01"
                                 "a b\t\n")),
              "a b");
    EXPECT_EQ(TrimBlanks(QString(QChar(0xA0)) + "a"), QString(QChar(0xA0)) + "a");
    EXPECT_EQ(TrimBlanks("   "), "");
}
