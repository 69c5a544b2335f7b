#include "core/Text.h"
#include "tests/support/Printers.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace pelmar;

TEST(EncodeCp1250, GoldenBytes)
{
    EXPECT_EQ(EncodeCp1250(QStringLiteral("Pelmar digitális fotórendelés")),
              QByteArray("Pelmar digit\xE1lis fot\xF3rendel\xE9s"));
    EXPECT_EQ(EncodeCp1250(QStringLiteral("őŐűŰáÁéÉíÍóÓöÖúÚüÜ")),
              QByteArray("\xF5\xD5\xFB\xDB\xE1\xC1\xE9\xC9\xED\xCD\xF3\xD3\xF6\xD6\xFA\xDA\xFC\xDC"));
    EXPECT_EQ(EncodeCp1250(QStringLiteral("€ Šš Žž „“ – ˙")), QByteArray("\x80 \x8A\x9A \x8E\x9E \x84\x93 \x96 \xFF"));
    EXPECT_EQ(EncodeCp1250(QStringLiteral("a\r\n\tb\x7f")), QByteArray("a\r\n\tb\x7f"));
    EXPECT_EQ(EncodeCp1250(QString()), QByteArray());
}

TEST(EncodeCp1250, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(EncodeCp1250(QStringLiteral("✓ ok")), QByteArray("? ok"));
    EXPECT_EQ(EncodeCp1250(QStringLiteral("ñ ø ß")), QByteArray("? ? \xDF"));
    EXPECT_EQ(EncodeCp1250(QString::fromUtf8("a\xF0\x9F\x98\x80z")), QByteArray("a?z")); // one emoji, two halves
    EXPECT_EQ(EncodeCp1250(QString(QChar(0xD800)) + 'x'), QByteArray("?x")); // lone surrogate
    // Code points whose number is an undefined 1250 byte are not smuggled through.
    EXPECT_EQ(EncodeCp1250(QString(QChar(0x81)) + QChar(0x98)), QByteArray("??"));
    EXPECT_EQ(Cp1250Length(QString::fromUtf8("a\xF0\x9F\x98\x80z")), 3);
}

TEST(EncodeCp1250, AgreesWithTheSystemConverterWhereItHasOne)
{
    QStringEncoder encoder("windows-1250");
    QStringDecoder decoder("windows-1250");
    if (!encoder.isValid() || !decoder.isValid())
        GTEST_SKIP() << "no windows-1250 converter in this Qt";
    int compared = 0;
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        const QString viaSystem = decoder.decode(byte);
        // Undefined bytes: a replacement character, or passed through as C1 controls.
        if (viaSystem.size() != 1 || viaSystem[0] == QChar::ReplacementCharacter
            || (b >= 0x80 && b < 0xA0 && viaSystem[0].unicode() == b))
            continue;
        EXPECT_EQ(EncodeCp1250(viaSystem), byte) << b;
        EXPECT_EQ(DecodeCp1250(byte), viaSystem) << b;
        ++compared;
    }
    EXPECT_EQ(compared, 256 - 5);
    // Every byte that 1250 defines comes back unchanged.
    for (int b = 0; b < 256; ++b) {
        if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98)
            continue;
        const QByteArray byte(1, char(b));
        EXPECT_EQ(EncodeCp1250(DecodeCp1250(byte)), byte) << b;
    }
    EXPECT_EQ(DecodeCp1250("\x81"), QString(QChar::ReplacementCharacter));
}

TEST(PadText, PadsToEncodedWidthAndNeverCuts)
{
    EXPECT_EQ(PadText("3", 5, true), "    3");
    EXPECT_EQ(PadText("fit", 5, false), "fit  ");
    EXPECT_EQ(PadText("Darab", 5, true), "Darab");
    EXPECT_EQ(PadText("kep00001.JPG", 14), "kep00001.JPG  ");
    EXPECT_EQ(PadText("a very long source file name.jpg", 26), "a very long source file name.jpg");
    // Accented letters are one byte each in the file.
    EXPECT_EQ(PadText(QStringLiteral("Fájlnév"), 14), QStringLiteral("Fájlnév       "));
    EXPECT_EQ(EncodeCp1250(PadText(QStringLiteral("Egységár"), 15, true)).size(), 15);
    // A character outside the basic plane is one "?" in the file, so one column.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(EncodeCp1250(PadText(emoji, 4, true)), QByteArray("   ?"));
    EXPECT_EQ(PadText("", 3), "   ");
    EXPECT_EQ(PadText("abc", 0), "abc");
    EXPECT_EQ(PadText("abc", -5, true), "abc");
}
