// make_seeds OUT SOURCE: writes the seed corpus of every fuzz target into
// OUT/<target>/, made from the test fixtures and the repository's own files
// (the worked example order, the help's contents file), and from real
// xorriso runs when xorriso is installed. Each target starts from inputs of
// every kind the program meets, so a short run already reaches deep into its
// parser; a few hundred KB per target at most.
#include "tests/support/ExifFixtures.h"
#include "tests/support/JpegFixtures.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

using pelmar::test::JpegKind;
using pelmar::test::makeJpeg;

namespace {

QString g_out;
int g_written = 0;

[[noreturn]] void die(const QString& what)
{
    std::fprintf(stderr, "make_seeds: %s\n", qPrintable(what));
    std::exit(1);
}

// One seed; named by its content, so a second run writes the same files.
void seed(const char* target, const QByteArray& bytes)
{
    const QString dir = g_out + QLatin1Char('/') + QLatin1String(target);
    if (!QDir().mkpath(dir))
        die(QStringLiteral("cannot make %1").arg(dir));
    const QString name = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    QFile f(dir + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
        die(QStringLiteral("cannot write %1: %2").arg(f.fileName(), f.errorString()));
    f.close();
    if (f.error() != QFileDevice::NoError)
        die(QStringLiteral("cannot write %1: %2").arg(f.fileName(), f.errorString()));
    ++g_written;
}

QByteArray readSource(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        die(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    return f.readAll();
}

// ------------------------------------------------------------------ JPEG

// The segment of the given marker taken out (the first one).
QByteArray withoutSegment(QByteArray jpeg, quint8 marker)
{
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && quint8(jpeg[i]) == 0xFF) {
        const int len = (quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]);
        if (quint8(jpeg[i + 1]) == marker)
            return jpeg.remove(i, 2 + len);
        if (quint8(jpeg[i + 1]) == 0xDA)
            break;
        i += 2 + len;
    }
    return jpeg;
}

// The frame header's marker and sample precision changed: a 12-bit, a
// lossless or a hierarchical picture as far as the header goes.
QByteArray withFrame(QByteArray jpeg, quint8 marker, quint8 precision)
{
    qsizetype i = 2;
    while (i + 5 <= jpeg.size() && quint8(jpeg[i]) == 0xFF) {
        const quint8 m = quint8(jpeg[i + 1]);
        if (m == 0xC0 || m == 0xC1 || m == 0xC2 || m == 0xC9 || m == 0xCA) {
            jpeg[i + 1] = char(marker);
            jpeg[i + 4] = char(precision);
            return jpeg;
        }
        i += 2 + ((quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]));
    }
    return jpeg;
}

// A segment of the given marker put right after the start marker.
QByteArray withSegment(const QByteArray& jpeg, quint8 marker, const QByteArray& payload)
{
    QByteArray s("\xFF", 1);
    s.append(char(marker)).append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return jpeg.left(2) + s + payload + jpeg.mid(2);
}

// An ICC profile of the given size: a header as the format lays it out,
// one tag, the rest filler.
QByteArray iccProfile(int size)
{
    QByteArray p(size, '\0');
    auto put32 = [&p](int at, quint32 v) {
        for (int k = 0; k < 4; ++k)
            p[at + k] = char((v >> (24 - 8 * k)) & 0xFF);
    };
    put32(0, quint32(size));
    p.replace(4, 4, "lcms");
    put32(8, 0x02100000);
    p.replace(12, 4, "mntr");
    p.replace(16, 4, "RGB ");
    p.replace(20, 4, "XYZ ");
    p.replace(36, 4, "acsp");
    put32(128, 1);
    p.replace(132, 4, "desc");
    put32(136, 144);
    put32(140, quint32(size - 144));
    for (int i = 144; i < size; ++i)
        p[i] = char(i * 7);
    return p;
}

struct NamedJpeg
{
    const char* what;
    QByteArray bytes;
};

// Every kind of JPEG the program meets, small enough to decode in well under
// a millisecond.
std::vector<NamedJpeg> jpegs()
{
    std::vector<NamedJpeg> out;
    auto kind = [](auto change) {
        JpegKind k;
        change(k);
        return k;
    };
    const QByteArray baseline = makeJpeg(48, 32, JpegKind {});
    out.push_back({"baseline 4:2:0", baseline});
    out.push_back({"4:4:4", makeJpeg(40, 24, kind([](JpegKind& k) { k.lumaH = k.lumaV = 1; }))});
    out.push_back({"4:2:2", makeJpeg(40, 24, kind([](JpegKind& k) { k.lumaV = 1; }))});
    out.push_back({"4:4:0", makeJpeg(40, 24, kind([](JpegKind& k) { k.lumaH = 1; }))});
    out.push_back({"odd size", makeJpeg(17, 9, JpegKind {})});
    out.push_back({"one pixel", makeJpeg(1, 1, JpegKind {})});
    out.push_back({"portrait", makeJpeg(24, 40, JpegKind {})});
    out.push_back({"quality 100", makeJpeg(32, 32, kind([](JpegKind& k) { k.quality = 100; }))});
    out.push_back({"quality 5", makeJpeg(32, 32, kind([](JpegKind& k) { k.quality = 5; }))});
    out.push_back({"optimized", makeJpeg(48, 32, kind([](JpegKind& k) { k.optimized = true; }))});
    out.push_back({"progressive", makeJpeg(48, 32, kind([](JpegKind& k) { k.progressive = true; }))});
    out.push_back({"progressive 4:4:4", makeJpeg(33, 17, kind([](JpegKind& k) {
                                                     k.progressive = true;
                                                     k.lumaH = k.lumaV = 1;
                                                 }))});
    out.push_back({"greyscale", makeJpeg(48, 32, kind([](JpegKind& k) { k.colour = JpegKind::Grey; }))});
    out.push_back({"greyscale progressive", makeJpeg(48, 32, kind([](JpegKind& k) {
                                                         k.colour = JpegKind::Grey;
                                                         k.progressive = true;
                                                     }))});
    const QByteArray cmyk = makeJpeg(32, 24, kind([](JpegKind& k) { k.colour = JpegKind::Cmyk; }));
    out.push_back({"CMYK (Adobe)", cmyk});
    out.push_back({"CMYK without Adobe marker", withoutSegment(cmyk, 0xEE)});
    out.push_back({"YCCK", makeJpeg(32, 24, kind([](JpegKind& k) { k.colour = JpegKind::Ycck; }))});
    out.push_back({"CMYK progressive", makeJpeg(32, 24, kind([](JpegKind& k) {
                                                    k.colour = JpegKind::Cmyk;
                                                    k.progressive = true;
                                                }))});
    out.push_back({"restart every row", makeJpeg(64, 48, kind([](JpegKind& k) { k.restartRows = 1; }))});
    out.push_back({"restart, progressive", makeJpeg(64, 48, kind([](JpegKind& k) {
                                                        k.restartRows = 1;
                                                        k.progressive = true;
                                                    }))});
    out.push_back({"arithmetic", makeJpeg(48, 32, kind([](JpegKind& k) { k.arithmetic = true; }))});
    out.push_back({"arithmetic progressive", makeJpeg(48, 32, kind([](JpegKind& k) {
                                                          k.arithmetic = true;
                                                          k.progressive = true;
                                                      }))});
    out.push_back({"arithmetic with restarts", makeJpeg(48, 32, kind([](JpegKind& k) {
                                                            k.arithmetic = true;
                                                            k.restartRows = 1;
                                                        }))});
    out.push_back({"ICC profile", makeJpeg(32, 24, kind([](JpegKind& k) { k.icc = iccProfile(560); }))});
    // Longer than one APP2 segment: split in two, and skipped past the
    // reading buffer.
    out.push_back({"long ICC profile", makeJpeg(16, 16, kind([](JpegKind& k) { k.icc = iccProfile(70000); }))});

    // EXIF: every orientation, both byte orders, with and without a
    // thumbnail, values outside 1..8, no orientation at all.
    const QByteArray thumbnail = makeJpeg(16, 12, JpegKind {});
    for (int o = 0; o <= 9; ++o) {
        out.push_back({"EXIF orientation", pelmar::test::withApp1(baseline, pelmar::test::exifBlock(o))});
        if (o >= 1 && o <= 8)
            out.push_back(
                {"EXIF orientation, Motorola",
                 pelmar::test::withApp1(makeJpeg(24, 16, JpegKind {}), pelmar::test::exifBlock(o, {}, true))});
    }
    out.push_back({"EXIF thumbnail",
                   pelmar::test::withApp1(makeJpeg(64, 48, JpegKind {}), pelmar::test::exifBlock(6, thumbnail))});
    out.push_back(
        {"EXIF thumbnail, no orientation",
         pelmar::test::withApp1(makeJpeg(64, 48, JpegKind {}), pelmar::test::exifBlock(-1, thumbnail, true))});
    out.push_back({"EXIF and ICC",
                   pelmar::test::withApp1(makeJpeg(32, 24, kind([](JpegKind& k) {
                                                       k.icc = iccProfile(400);
                                                       k.progressive = true;
                                                   })),
                                          pelmar::test::exifBlock(8))});
    out.push_back({"comment", withSegment(baseline, 0xFE, "Pelmar teszt megjegyzés")});
    out.push_back({"empty APP1", withSegment(baseline, 0xE1, QByteArray("Exif\0\0", 6))});

    // Truncated at every stage, padded, followed by garbage.
    for (const double part : {0.05, 0.2, 0.5, 0.9})
        out.push_back({"truncated", baseline.left(qsizetype(baseline.size() * part))});
    const QByteArray progressive = makeJpeg(48, 32, kind([](JpegKind& k) { k.progressive = true; }));
    out.push_back({"progressive truncated", progressive.left(progressive.size() / 2)});
    out.push_back({"without end marker", baseline.left(baseline.size() - 2)});
    out.push_back({"padded with zeros", makeJpeg(32, 24, 6000)});
    QByteArray garbage = baseline;
    for (int i = 0; i < 300; ++i)
        garbage.append(char(i * 37 + 11));
    out.push_back({"garbage after the end", garbage});
    out.push_back({"two pictures", baseline + thumbnail});

    // Headers that claim what the data does not hold.
    out.push_back({"huge", pelmar::test::withDeclaredSize(baseline, 30000, 30000)});
    out.push_back({"huge progressive", pelmar::test::withDeclaredSize(progressive, 20000, 20000)});
    out.push_back({"zero width", pelmar::test::withDeclaredSize(baseline, 0, 32)});
    out.push_back({"12-bit", withFrame(baseline, 0xC1, 12)});
    out.push_back({"lossless", withFrame(baseline, 0xC3, 8)});
    out.push_back({"hierarchical", withFrame(baseline, 0xC5, 8)});
    out.push_back({"start marker only", QByteArray("\xFF\xD8", 2)});
    out.push_back({"start and end", QByteArray("\xFF\xD8\xFF\xD9", 4)});
    return out;
}

// Files of the other kinds a picture may be, by their headers.
std::vector<std::pair<int, QByteArray>> otherPictures()
{
    // Indexes into fuzz_picture_check's name endings.
    enum { Jpg = 0, Jpeg = 1, JpgUpper = 2, Tif = 4, Tiff = 5, TifUpper = 6, Bmp = 7, Dib = 8, Ico = 9, Gif = 10 };
    enum { Emf = 11, Wmf = 12, Png = 13, NoExtension = 14, Jp = 15 };
    QByteArray bmp("BM");
    bmp.append(QByteArray(60, '\x01'));
    QByteArray emf("\x01\0\0\0", 4);
    emf.append(QByteArray(36, '\0')).append(" EMF").append(QByteArray(40, '\0'));
    const QByteArray baseline = makeJpeg(48, 32, JpegKind {});
    return {
        {Tif, QByteArray("II*\0\x08\0\0\0", 8)},
        {Tiff, QByteArray("MM\0*\0\0\0\x08", 8)},
        {TifUpper, baseline},
        {Bmp, bmp},
        {Bmp, "BM"},
        {Dib, bmp},
        {Ico, QByteArray("\0\0\1\0\1\0\x10\x10", 8)},
        {Ico, QByteArray("\0\0\2\0", 4)},
        {Gif, QByteArray("GIF89a\x01\0\x01\0", 10)},
        {Gif, "GIF87a"},
        {Gif, "GIF90a"},
        {Emf, emf},
        {Emf, emf.left(20)},
        {Wmf, QByteArray("\xD7\xCD\xC6\x9A\0\0", 6)},
        {Wmf, QByteArray("\x01\0\x09\0", 4)},
        {Png, "\x89PNG\r\n\x1a\n"},
        {NoExtension, baseline},
        {Jp, baseline},
        {Jpeg, baseline},
        {JpgUpper, makeJpeg(1600, 8, JpegKind {})}, // wide enough for the 10x15 minimum one way
        {Jpg, QByteArray()},
        {Jpg, "GIF89a"},
        {Jpg, QByteArray(5000, '\0')},
    };
}

void jpegSeeds()
{
    int i = 0;
    for (const NamedJpeg& j : jpegs()) {
        // The decoder's first byte picks the scale and the way in; the
        // check's picks the name ending (0: ".jpg").
        seed("fuzz_jpeg_decode", char(i % 8) + j.bytes);
        seed("fuzz_picture_check", char(0) + j.bytes);
        ++i;
    }
    for (const auto& [suffix, bytes] : otherPictures())
        seed("fuzz_picture_check", char(suffix) + bytes);
}

// -------------------------------------------------------- order description

QByteArray json(const QJsonObject& o, bool compact = true)
{
    return QJsonDocument(o).toJson(compact ? QJsonDocument::Compact : QJsonDocument::Indented);
}

void orderSeeds(const QString& source)
{
    const QByteArray exampleText = readSource(source + QStringLiteral("/examples/order.json"));
    const QJsonObject example = QJsonDocument::fromJson(exampleText).object();
    if (example.isEmpty())
        die(QStringLiteral("examples/order.json holds no order"));
    auto order = [](const QByteArray& bytes) { seed("fuzz_order_job", bytes); };
    order(exampleText);
    order(json(example));

    auto with = [&](const QString& key, const QJsonValue& v) {
        QJsonObject o = example;
        if (v.isUndefined())
            o.remove(key);
        else
            o[key] = v;
        return json(o);
    };
    auto in = [&](const QString& object, const QString& key, const QJsonValue& v) {
        QJsonObject inner = example[object].toObject();
        inner[key] = v;
        return with(object, inner);
    };
    auto picture = [&](const QString& key, const QJsonValue& v) {
        QJsonArray pics = example["pictures"].toArray();
        QJsonObject p = pics[0].toObject();
        if (v.isUndefined())
            p.remove(key);
        else
            p[key] = v;
        pics[0] = p;
        return with(QStringLiteral("pictures"), pics);
    };

    // Every key in every form it may take.
    order(in("partner", "UserID", 123));
    order(in("partner", "UserID", QJsonValue::Null));
    order(in("partner", "UserIrsz", "123456"));
    order(in("customer", "VevoNev", "Árvíztűrő Tükörfúrógép Kft."));
    order(in("customer", "VevoIrsz", "H-1234"));
    order(with("TasakNo", 45));
    order(with("TasakNo", 0));
    order(with("TasakNo", 999999));
    order(with("TasakNo", QJsonValue::Null));
    order(with("BaseFolder", QJsonValue::Undefined));
    order(with("BaseFolder", "/tmp/Rendelések/"));
    order(with("date", QJsonValue::Undefined));
    order(with("date", QJsonValue::Null));
    order(with("date", "2024-02-29"));
    order(with("CDIndex", false));
    order(with("CD", "750"));
    order(with("CD", " -5"));
    order(with("CD", QJsonValue::Null));
    order(with("Megj", "Kérjük gyorsan"));
    order(with("prices", QJsonArray()));
    order(with("pictures", QJsonArray()));
    order(picture("fill", QJsonValue::Undefined));
    order(picture("quantity", QJsonValue::Undefined));
    order(picture("quantity", 0));
    order(picture("quantity", 1000));
    order(picture("size", "10X15"));
    order("{}");
    order("{\"partner\": {\"UserID\": \"1\"}, \"pictures\": [{\"path\": \"/a.jpg\"}]}");
    order("{\"Megj\": \"\\u00c1rv\\u00edzt\\u0171r\\u0151 \\\"id\\u00e9zet\\\" \\\\ \\/ \\b\\f\"}");

    // A long order: many pictures and sizes.
    {
        QJsonObject o = example;
        QJsonArray prices;
        for (int s = 0; s < 20; ++s)
            prices.append(QStringLiteral("%1x%2|%3|%4x%5|%6x%7")
                              .arg(9 + s)
                              .arg(13 + s)
                              .arg(100 + 10 * s)
                              .arg(1200 + s)
                              .arg(1800 + s)
                              .arg(800 + s)
                              .arg(1200 + s));
        QJsonArray pics;
        for (int p = 0; p < 300; ++p)
            pics.append(QJsonObject {{"path", QStringLiteral("/tmp/kepek/IMG_%1.JPG").arg(p, 4, 10, QLatin1Char('0'))},
                                     {"size", QStringLiteral("%1x%2").arg(9 + p % 20).arg(13 + p % 20)},
                                     {"fill", p % 3 ? "fill" : "fit"},
                                     {"quantity", 1 + p % 7}});
        o["prices"] = prices;
        o["pictures"] = pics;
        order(json(o, false));
    }

    // Every refusal.
    const QByteArray refusals[] = {
        "",
        " \n null \n",
        "5",
        "{\"partner\": ",
        "[1, 2]",
        "\"text\"",
        QByteArray(200, '{'),
        "\xff\xfe garbage",
        "{\"TasakNo\": \"000001\", \"TasakNo\": \"000002\"}",
        "{\"pictures\": [{\"path\": \"/a.jpg\", \"p\\u0061th\": \"/b.jpg\"}]}",
        "{\"partner\": {\"UserNev\": \"a\", \"UserNev\": \"b\"}}",
        picture("path", QString("/usr/bin/bash") + QChar(0) + ".tif"),
        in("partner", "UserNev", "Minta\r\nÜzletszám: 999"),
        with("prices", QJsonArray {"9x13|120|1200x1800|800x1200", "10x15\t|150"}),
        with("BaseFolder", "/tmp/\x1b[2J"),
        with("CD", "abc"),
        with("CD", "500 Ft"),
        with("CD", 2.5),
        with("date", ""),
        with("date", "2004-02-30"),
        with("date", "15.03.2004"),
        with("date", "２００４-03-15"),
        with("Pictures", QJsonArray()),
        with("partner", "123"),
        in("partner", "UserID", true),
        in("partner", "Telefon", "1"),
        in("customer", "VevoCim", QJsonArray()),
        with("customer", 5),
        with("Megj", 5),
        with("TasakNo", "12345"),
        with("TasakNo", "12a456"),
        with("TasakNo", " 12345"),
        with("TasakNo", 1234567),
        with("TasakNo", 1.5),
        with("TasakNo", -1),
        with("TasakNo", true),
        with("CDIndex", "true"),
        with("prices", "9x13|120"),
        with("prices", QJsonArray {1}),
        with("prices", QJsonArray {"9x13|120|1x1|1x1", "10x15|1|1x1|1x1", "9X13|90|1x1|1x1"}),
        with("pictures", QJsonObject()),
        with("pictures", QJsonArray {"a.jpg"}),
        picture("fill", "crop"),
        picture("fill", 1),
        picture("quantity", 1001),
        picture("quantity", -1),
        picture("quantity", "2"),
        picture("quantity", 2.5),
        picture("path", ""),
        picture("path", QJsonValue::Undefined),
        picture("extra", 1),
    };
    for (const QByteArray& r : refusals)
        order(r);
}

// ------------------------------------------------------------ help contents

void helpSeeds(const QString& source)
{
    const QByteArray toc = readSource(source + QStringLiteral("/help/toc.hhc"));
    auto help = [](const QByteArray& bytes) { seed("fuzz_help_contents", bytes); };
    help(toc);
    help(toc.left(toc.size() / 2));
    // The same contents in code page 1250, as an old help compiler writes
    // them.
    QStringEncoder cp1250("windows-1250");
    if (cp1250.isValid())
        help(cp1250.encode(QString::fromUtf8(toc)));
    help(QByteArray(toc).toUpper());
    help("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A &lt;b&gt; &amp; &quot;c&quot; "
         "&#39;d&#39;\"><param name=\"Local\" value=\"a&amp;b.html\"></OBJECT></UL>");
    help("<ul><ul><ul><li><object type = \"text/sitemap\"><param  name = \"name\"  value = \"Mély\"></object>"
         "</ul></ul></ul></ul></ul><object type=\"text/sitemap\"><param name=\"Local\" value=\"x.html\"></object>");
    help("<OBJECT type=\"text/site properties\"><param name=\"Name\" value=\"nem bejegyzés\"></OBJECT>"
         "<OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"\"></OBJECT>"
         "<OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"nyitva\">");
    help("</UL></UL><UL><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"a\"></OBJECT></OBJECT>");
    help(QByteArray("\xEF\xBB\xBF<UL>\xC1rv\xEDz</UL>\xFF", 20));
    QByteArray nested;
    for (int i = 0; i < 200; ++i)
        nested += "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + QByteArray::number(i)
            + "\"><param name=\"Local\" value=\"p" + QByteArray::number(i) + ".html\"></OBJECT>";
    help(nested);
    // The topic pages, whose text is decoded the same way.
    for (const char* page : {"index.html", "disc.html"})
        help(readSource(source + QStringLiteral("/help/") + QLatin1String(page)));
}

// --------------------------------------------------------- xorriso's output

// What xorriso prints when run (merged channels, as the disc writer reads it).
QByteArray runXorriso(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xorriso"), QStringList {QStringLiteral("-no_rc")} + args);
    if (!p.waitForStarted(5000))
        return {};
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
    }
    return p.readAll();
}

void discSeeds()
{
    auto disc = [](const QByteArray& bytes) { seed("fuzz_disc_output", bytes); };
    // The drive list.
    disc("0  -dev '/dev/sr0' rwrw-- :  'HL-DT-ST' 'DVDRAM GH24NSD1'\n"
         "1  -dev '/dev/sr1' -w---- :  'ASUS    ' 'DRW-24D5MT      '\n");
    disc("xorriso : SORRY : No drives found\n");
    disc("0  -dev '/dev/sr0");
    disc("0  -dev '' rwrw-- : '' ''\n");
    // Writing: the pacifier lines, the end.
    disc("xorriso : UPDATE : Writing:      69213s   35.1%   fifo   9%  buf  50%  421.2xD\n"
         "xorriso : UPDATE : Writing:  12s 135.0%\n"
         "xorriso : UPDATE : Writing:  12s  -3.0%\n"
         "xorriso : UPDATE : Writing: 1s 100%\n"
         "xorriso : UPDATE : 5 files added in 1 seconds\n"
         "xorriso : UPDATE : fifo 35%\n");
    // The problems, one of each heading.
    const char* problems[] = {
        "libburn : FAILURE : No space left on device",
        "libisofs: FAILURE : Image size exceeds free space on media",
        "xorriso : FAILURE : Cannot acquire drive 'stdio:/x'",
        "libisofs: FAILURE : Access to file is not allowed",
        "xorriso : SORRY : Cannot open file '/a' : Permission denied",
        "xorriso : FAILURE : Grafting failed",
        "libburn : SORRY : Medium not present, tray closed",
        "libburn : FAILURE : No suitable media detected",
        "libburn : FAILURE : No writeable media",
        "libburn : FAILURE : Unsuitable media detected. Profile 0008h  CD-ROM",
        "libburn : FAILURE : Unsuitable drive and medium combination",
        "libburn : FAILURE : Medium not properly formatted",
        "xorriso : FAILURE : -indev differs from -outdev and -outdev media is not blank",
        "libburn : FAILURE : Drive offers closed media",
        "libburn : FATAL : Closed or not recordable",
        "xorriso : ABORT : No disc",
        "xorriso : MISHAP : cannot read",
    };
    for (const char* line : problems)
        disc(QByteArray(line) + "\nxorriso : aborting : -abort_on 'FAILURE' encountered 'FAILURE'\n");
    // The comparison report.
    disc("d '/tmp/src' (DISK) : st_mtime :  Dec  9 04:50  <>  Dec  9 04:50      diff= 7 s\n"
         "d '/tmp/src' (DISK) : st_ctime :  Dec  9 04:50  <>  Dec  9 04:50      diff= 7 s\n"
         "- '/tmp/src/g' (DISK) : st_mode  :  0000600  <>  0000644\n"
         "- '/tmp/src/g' (DISK) : ACL  :  x\n- '/tmp/src/g' (ISO) : xattr :  y\n"
         "Differences detected.\n");
    disc("- '/tmp/src/a b/\xC5\x91z.txt' (DISK) : st_size  :  8  <>  6      diff= 2\n"
         "- '/tmp/src/a b/\xC5\x91z.txt' (DISK) : content  :  differs by at least 2 bytes. First at 6\n"
         "- '/tmp/src/a' (DISK) : type     :  regular_file  <>  directory\n"
         "? '/tmp/src/a/f' (DISK) : cannot lstat() : Not a directory\n"
         "? '/extra'  (ISO) : cannot find this file in ISO image\n"
         "Differences detected.\n");
    disc("- '/unterminated (DISK) : content");
    // Folder names for the volume id.
    disc("/home/x/Dokumentumok/Pelmar-20040315-000123/");
    disc("/x/\xC3\x81rv\xC3\xADzt\xC5\xB1r\xC5\x91 t\xC3\xBCk\xC3\xB6rf\xC3\xBAr\xC3\xB3g\xC3\xA9p rendel\xC3\xA9s: "
         "2024");
    disc("/x/\xE6\x97\xA5\xE6\x9C\xAC");
    disc("/");

    // The real thing, when xorriso is here: the drive list, a whole write of
    // an image with its pacifier, a comparison that finds differences, and
    // failures.
    QTemporaryDir tmp;
    if (!tmp.isValid() || runXorriso({QStringLiteral("-version")}).isEmpty())
        return;
    const QString src = tmp.filePath(QStringLiteral("Pelmar-20040315-000123"));
    QDir().mkpath(src + QStringLiteral("/13x18-fill-1"));
    QFile a(src + QStringLiteral("/13x18-fill-1/kép 1.JPG"));
    if (!a.open(QIODevice::WriteOnly) || a.write(makeJpeg(16, 16, JpegKind {})) <= 0)
        die(QStringLiteral("cannot write %1").arg(a.fileName()));
    a.close();
    const QString image = tmp.filePath(QStringLiteral("lemez.iso"));
    const QStringList common = {QStringLiteral("-abort_on"),    QStringLiteral("FAILURE"),
                                QStringLiteral("-return_with"), QStringLiteral("SORRY"),
                                QStringLiteral("32"),           QStringLiteral("-report_about"),
                                QStringLiteral("UPDATE"),       QStringLiteral("-local_charset"),
                                QStringLiteral("UTF-8"),        QStringLiteral("-pacifier"),
                                QStringLiteral("interval=0.25")};
    disc(runXorriso({QStringLiteral("-devices")}));
    disc(runXorriso(common
                    + QStringList {QStringLiteral("-outdev"), QStringLiteral("stdio:") + image,
                                   QStringLiteral("-volid"), QStringLiteral("PELMAR"), QStringLiteral("-joliet"),
                                   QStringLiteral("on"), QStringLiteral("-map"), src, QStringLiteral("/"),
                                   QStringLiteral("-commit"), QStringLiteral("-end")}));
    disc(runXorriso(common
                    + QStringList {QStringLiteral("-indev"), QStringLiteral("stdio:") + image,
                                   QStringLiteral("-compare_r"), src, QStringLiteral("/"), QStringLiteral("-end")}));
    QFile b(src + QStringLiteral("/új.txt"));
    if (!b.open(QIODevice::WriteOnly) || b.write("más") <= 0)
        die(QStringLiteral("cannot write %1").arg(b.fileName()));
    b.close();
    disc(runXorriso(common
                    + QStringList {QStringLiteral("-indev"), QStringLiteral("stdio:") + image,
                                   QStringLiteral("-compare_r"), src, QStringLiteral("/"), QStringLiteral("-end")}));
    disc(runXorriso(common
                    + QStringList {QStringLiteral("-outdev"),
                                   QStringLiteral("stdio:") + tmp.filePath(QStringLiteral("nincs/x.iso")),
                                   QStringLiteral("-map"), tmp.filePath(QStringLiteral("nincs")), QStringLiteral("/"),
                                   QStringLiteral("-commit"), QStringLiteral("-end")}));
    disc(runXorriso(common
                    + QStringList {QStringLiteral("-outdev"), QStringLiteral("/dev/sr9"), QStringLiteral("-commit"),
                                   QStringLiteral("-end")}));
}

// ------------------------------------------------------------- price lines

void priceSeeds(const QString& source)
{
    auto price = [](const QByteArray& bytes) { seed("fuzz_price_data", bytes); };
    // The price entries of the worked example, as the price file lists them.
    const QJsonObject example
        = QJsonDocument::fromJson(readSource(source + QStringLiteral("/examples/order.json"))).object();
    QByteArray list;
    for (const QJsonValue& v : example["prices"].toArray())
        list += v.toString().toUtf8() + '\n';
    price(list);
    price(list + "CD=500\nTeszt=7\ncd=abc\n");
    price("9x13|120|1200x1800|800x1200");
    price("10x15|150|");
    price("13x18|-2147483648|x|1000x");
    price("20x30|2147483648|1x1|1x1|extra");
    price("|||");
    price("  +42");
    price("-0");
    price("12a");
    price("1500x2100");
    price("x");
    price("CD=  900");
    price("\x0d\x0a\x09 \x01 Összesen \x7f");
    price("\xC3\x81rv\xC3\xADzt\xC5\xB1r\xC5\x91 t\xC3\xBCk\xC3\xB6rf\xC3\xBAr\xC3\xB3g\xC3\xA9p \xE2\x82\xAC "
          "\xE2\x80\x9E\xE2\x80\x9D");
    price("\xF0\x9F\x93\xB7 \xE2\x9C\x93 \xED\xA0\x80");
    price(QByteArray("\x81\x83\x88\x90\x98\x8A\x9A\xA0\xFF", 9));
    price("9x13|120|1200x1800|800x1200\n9X13|90|1x1|1x1\n10x15|1|1x1|1x1");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds OUT SOURCE\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    const QString source = QString::fromLocal8Bit(argv[2]);
    jpegSeeds();
    orderSeeds(source);
    helpSeeds(source);
    discSeeds();
    priceSeeds(source);
    std::printf("make_seeds: %d seeds in %s\n", g_written, argv[1]);
    return 0;
}
