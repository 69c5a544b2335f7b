#include "output/OrderJob.h"
#include "output/OrderNames.h"
#include "tests/output/OrderFixtures.h"
#include "tests/output/OrderJobFixtures.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

TEST(OrderJob, ParsesTheExample)
{
    TempDir dir;
    const OrderJob job = ParseOrderJob(json(exampleJson(dir)));
    EXPECT_EQ(job.fields.UserID, "123");
    EXPECT_EQ(job.fields.UserCim, "Fő utca 1.");
    EXPECT_EQ(job.tasakNo, "000123");
    EXPECT_EQ(job.baseFolder, dir.file("Rendelesek/"));
    EXPECT_EQ(job.date, QDate(2004, 3, 15));
    EXPECT_TRUE(job.cdIndex);
    EXPECT_EQ(job.settingValues, QStringList({"CD=500"}));
    ASSERT_EQ(job.pictures.size(), 2);
    EXPECT_FALSE(job.pictures[1].fill);
    EXPECT_EQ(job.pictures[0].quantity, 2);
}

TEST(OrderJob, NumbersWhereTheFieldAllowsThem)
{
    TempDir dir;
    QJsonObject o = exampleJson(dir);
    QJsonObject partner = o["partner"].toObject();
    partner["UserID"] = 123;
    o["partner"] = partner;
    o["TasakNo"] = 45;
    o.remove("date");
    o.remove("BaseFolder");
    const OrderJob job = ParseOrderJob(json(o));
    EXPECT_EQ(job.fields.UserID, "123");
    EXPECT_EQ(job.tasakNo, "000045");
    EXPECT_FALSE(job.date.isValid());
    EXPECT_EQ(job.baseFolder, DocumentsFolder());
}

TEST(OrderJob, BadDescriptionsAreRefusedWithAClearMessage)
{
    TempDir dir;
    const QJsonObject good = exampleJson(dir);
    auto with = [&](const QString& key, const QJsonValue& v) {
        QJsonObject o = good;
        o[key] = v;
        return json(o);
    };
    auto picture = [&](const QString& key, const QJsonValue& v) {
        QJsonArray pics = good["pictures"].toArray();
        QJsonObject p = pics[0].toObject();
        p[key] = v;
        pics[0] = p;
        return with("pictures", pics);
    };
    const QList<QPair<QByteArray, QString>> cases = {
        {"", "a leírás üres"},
        {" \n null \n", "a leírás null"},
        {"5", "nem JSON objektum"},
        {"{\"partner\": ", "nem érvényes JSON"},
        {"[1, 2]", "egyetlen JSON objektum"},
        {"\"text\"", "JSON"},
        {QByteArray(5000, '{'), "nem érvényes JSON"},
        {"\xff\xfe garbage", "nem JSON objektum"},
        {"{\"TasakNo\": \"000001\", \"TasakNo\": \"000002\"}", "\"TasakNo\" mező kétszer"},
        {"{\"pictures\": [{\"path\": \"/a.jpg\", \"p\\u0061th\": \"/b.jpg\"}]}", "\"path\" mező kétszer"},
        {picture("path", QString("/usr/bin/bash") + QChar(0) + ".tif"), "\"pictures[1].path\" mező vezérlőkaraktert"},
        {with("partner", QJsonObject {{"UserNev", "Minta\r\nÜzletszám: 999"}}), "\"partner.UserNev\" mező vezérlő"},
        {with("prices", QJsonArray {"9x13|120|1200x1800|800x1200", "10x15\t|150"}), "\"prices[2]\" mező vezérlő"},
        {with("BaseFolder", "/tmp/\x1b[2J"), "\"BaseFolder\" mező vezérlő"},
        {with("CD", "abc"), "\"CD\" mező egész szám"},
        {with("CD", "500 Ft"), "\"CD\" mező egész szám"},
        {with("CD", 2.5), "\"CD\" mező szöveg"},
        {with("date", ""), "ÉÉÉÉ-HH-NN"},
        {with("Pictures", QJsonArray()), "ismeretlen mező: \"Pictures\""},
        {with("partner", "123"), "\"partner\" mező objektum"},
        {with("partner", QJsonObject {{"UserID", true}}), "\"partner.UserID\" mező szöveg"},
        {with("partner", QJsonObject {{"Telefon", "1"}}), "ismeretlen mező: \"partner.Telefon\""},
        {with("Megj", 5), "\"Megj\" mező szöveg"},
        {with("TasakNo", "12345"), "pontosan hat számjegy"},
        {with("TasakNo", "12a456"), "pontosan hat számjegy"},
        {with("TasakNo", " 12345"), "pontosan hat számjegy"},
        {with("TasakNo", 1234567), "0 és 999999"},
        {with("TasakNo", 1.5), "0 és 999999"},
        {with("TasakNo", -1), "0 és 999999"},
        {with("date", "2004-02-30"), "ÉÉÉÉ-HH-NN"},
        {with("date", "15.03.2004"), "ÉÉÉÉ-HH-NN"},
        {with("CDIndex", "true"), "true vagy false"},
        {with("prices", "9x13|120"), "szövegek tömbje"},
        {with("prices", QJsonArray {1}), "szövegek tömbje"},
        {with("prices", QJsonArray {"9x13|120|1x1|1x1", "10x15|1|1x1|1x1", "9X13|90|1x1|1x1"}),
         "a(z) \"9X13\" méret kétszer szerepel az árlistában (\"9x13\")"},
        {with("pictures", QJsonObject()), "\"pictures\" mező tömb"},
        {with("pictures", QJsonArray {"a.jpg"}), "1. kép leírása objektum"},
        {picture("fill", "crop"), "\"fill\" vagy \"fit\""},
        {picture("quantity", 1001), "0 és 1000"},
        {picture("quantity", "2"), "0 és 1000"},
        {picture("quantity", 2.5), "0 és 1000"},
        {picture("path", ""), "nincs útvonala"},
        {picture("extra", 1), "ismeretlen mező: \"pictures[1].extra\""},
    };
    for (const auto& [text, expected] : cases) {
        const QString error = appErrorOf([&] { ParseOrderJob(text); });
        EXPECT_TRUE(error.startsWith("Hibás megrendelésleírás: ")) << text.left(60).toStdString();
        EXPECT_TRUE(error.contains(expected)) << error.toStdString() << " / " << expected.toStdString();
    }
}

// A price list of 30,000 entries is read in well under a second (the check
// for a size given twice once took 23 s); the size given twice at its end is
// the first fault found.
TEST(OrderJob, HugePriceListIsCheckedInLinearTime)
{
    TempDir dir;
    QJsonObject o = exampleJson(dir);
    QJsonArray prices;
    for (int i = 0; i < 30000; ++i)
        prices.append(QStringLiteral("%1x%2 matt|%3|1x1|1x1").arg(i % 200).arg(i / 200).arg(i));
    prices.append(QStringLiteral("199X149 MATT|1|1x1|1x1"));
    o["prices"] = prices;
    QElapsedTimer clock;
    clock.start();
    const QString error = appErrorOf([&] { ParseOrderJob(json(o)); });
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(error.contains("\"199X149 MATT\" méret kétszer szerepel az árlistában (\"199x149 matt\")"))
        << error.toStdString();
}

TEST(OrderJob, RunRefusalsStopBeforeAnythingIsWritten)
{
    TempDir dir;
    writePictures(dir);
    // A size folder name past the file system's limit would fail every copy.
    const QString longSize(125, QChar(0xC1));
    struct Case
    {
        const char* what;
        std::function<void(OrderJob&)> change;
        QString error;
        int warnings = 0;
    };
    const Case cases[] = {
        {"unknown size", [](OrderJob& j) { j.pictures[1].size = "13x18"; }, "Ismeretlen méret: \"13x18\" (2. kép"},
        {"no picture", [](OrderJob& j) { j.pictures.clear(); }, "Még nem vett fel képeket a megrendelésbe!"},
        {"every picture missing",
         [&](OrderJob& j) {
             j.pictures[0].path = dir.file("kepek/nincs.jpg");
             j.pictures[1].path = dir.file("kepek/nincs2.jpg");
         },
         "Még nem vett fel képeket a megrendelésbe!", 2},
        {"shop number", [](OrderJob& j) { j.fields.UserID = "0"; }, "Hibás üzletszám!"},
        {"size that is no folder name",
         [](OrderJob& j) {
             j.prices[0] = "9/13|120|1200x1800|800x1200";
             j.pictures[0].size = "9/13";
         },
         "1. tétel"},
        {"size folder name too long",
         [&](OrderJob& j) {
             j.prices[0] = longSize + "|120|1200x1800|800x1200";
             j.pictures[0].size = longSize;
         },
         "túl hosszú"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OrderJob job = ParseOrderJob(json(exampleJson(dir)));
        c.change(job);
        QStringList warnings;
        const QString error = appErrorOf([&] { RunOrderJob(job, [&](const QString& w) { warnings << w; }); });
        EXPECT_TRUE(error.contains(c.error)) << error.toStdString();
        EXPECT_EQ(warnings.size(), c.warnings);
        EXPECT_FALSE(QFileInfo::exists(dir.file("Rendelesek")));
    }
}

TEST(OrderJob, ToolReportsUsageBadInputAndRefusals)
{
    TempDir dir;
    writePictures(dir);
    EXPECT_EQ(runTool({}).code, 2);
    EXPECT_EQ(runTool({"a", "b"}).code, 2);

    const ToolRun missing = runTool({dir.file("nope.json")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_FALSE(missing.err.isEmpty());

    const ToolRun garbage = runTool({dir.write("bad.json", "{\"partner\": [")});
    EXPECT_EQ(garbage.code, 1);
    EXPECT_TRUE(garbage.err.contains("nem érvényes JSON"));
    EXPECT_TRUE(garbage.out.isEmpty());

    // An order description is small; a device that never ends is read only
    // to the limit.
    const ToolRun zero = runTool({"/dev/zero"});
    EXPECT_EQ(zero.code, 1);
    EXPECT_TRUE(zero.err.contains("túl nagy")) << zero.err.toStdString();

    // Refused pictures are reported with their path and left out; the rest
    // is built, and the status tells a script that something is missing.
    QJsonObject o = exampleJson(dir);
    QJsonArray pics = o["pictures"].toArray();
    pics.append(
        QJsonObject {{"path", dir.file("kepek/IMG_0001.JPG")}, {"size", "9x13"}, {"fill", "fill"}, {"quantity", 1}});
    dir.write("kepek/broken.jpg", QByteArray("\xff\xd8\xff\xe0") + QByteArray(60000, 'x'));
    pics.append(QJsonObject {{"path", dir.file("kepek/broken.jpg")}, {"size", "9x13"}});
    o["pictures"] = pics;
    const ToolRun dup = runTool({dir.write("dup.json", json(o))});
    EXPECT_EQ(dup.code, 3) << dup.err.toStdString();
    EXPECT_EQ(dup.out, dir.file("Rendelesek/Pelmar-20040315-000123/") + "\n");
    EXPECT_TRUE(dup.err.contains(dir.file("kepek/IMG_0001.JPG") + "\nA fájlt már felvette")) << dup.err.toStdString();
    EXPECT_TRUE(dup.err.contains(dir.file("kepek/broken.jpg") + "\nJPEG error #")) << dup.err.toStdString();

    // A copy error keeps its reason, and leaves the picture out too.
    QDir(dir.file("Rendelesek")).removeRecursively();
    dir.write("Rendelesek/Pelmar-20040315-000123/10x15-fit-1", "a file where a size folder should be");
    const ToolRun blocked = runTool({dir.write("blocked.json", json(exampleJson(dir)))});
    EXPECT_EQ(blocked.code, 3) << blocked.err.toStdString();
    EXPECT_TRUE(blocked.err.contains("Hiba a fájl másolása során: " + dir.file("kepek/nyaralas.jpg")));
    EXPECT_TRUE(blocked.err.contains("10x15-fit-1: Not a directory")) << blocked.err.toStdString();

    QJsonObject partner = o["partner"].toObject();
    partner["UserNev"] = "  ";
    o["partner"] = partner;
    const ToolRun refused = runTool({dir.write("refused.json", json(o))});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("Nem töltötte ki a \"Név\" mezőt!"));

    // Not a single picture copied (the base folder is a file): no order.
    QJsonObject w = exampleJson(dir);
    w["BaseFolder"] = dir.write("plainfile", "x");
    const ToolRun failed = runTool({dir.write("w.json", json(w))});
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(failed.err.contains("Egyetlen képet sem")) << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains("Hiba a fájl másolása során"));
    EXPECT_TRUE(failed.out.isEmpty());
}
