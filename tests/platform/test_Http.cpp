#include "tests/support/LocalHttpServer.h"

#include "core/AppError.h"
#include "platform/Http.h"
#include "platform/LabInfo.h"
#include "platform/VersionCheck.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace pelmar;
using pelmar::test::LocalHttpServer;

namespace {

Http::Options shortLimits()
{
    Http::Options o;
    o.connectTimeoutMs = 1500;
    o.replyTimeoutMs = 700;
    return o;
}

LocalHttpServer::Responder always(QByteArray answer)
{
    return [answer](const QByteArray&) { return answer; };
}

QString failureOf(const QUrl& url, const Http::Options& options = shortLimits())
{
    try {
        Http::get(url, options);
    } catch (const AppError& e) {
        return e.message();
    }
    return QStringLiteral("<no failure>");
}

// The status line as the main window holds it, with every text it was given.
struct FakeStatus
{
    QString current = QStringLiteral("Válasszon ki egy vagy több képet egyszerre!");
    QStringList history;
    StatusLine line()
    {
        return {[this] { return current; },
                [this](const QString& t) {
                    current = t;
                    history.append(t);
                }};
    }
};

} // namespace

TEST(Http, SendsOneGetWithTheLabsHeadersAndReturnsTheBody)
{
    LocalHttpServer server(always(LocalHttpServer::reply("HTTP/1.1 200 OK", "1.10\r\n")));
    const QByteArray body = Http::get(server.url("/pelmarorderver.txt"), shortLimits());
    EXPECT_EQ(body, QByteArray("1.10\r\n"));

    ASSERT_EQ(server.requests().size(), 1);
    const QByteArray head = server.requests().first();
    EXPECT_TRUE(head.startsWith("GET /pelmarorderver.txt HTTP/1.1\r\n")) << head.constData();
    EXPECT_EQ(test::headerValue(head, "Accept"), QByteArray("text/html, */*"));
    EXPECT_EQ(test::headerValue(head, "Content-Type"), QByteArray("text/html"));
    EXPECT_EQ(test::headerValue(head, "User-Agent"), QByteArray("Mozilla/3.0 (compatible; ZunderClient/1.0)"));
    EXPECT_FALSE(test::headerValue(head, "Host").isEmpty());
}

TEST(Http, ErrorStatusesAndRedirectionsFailWithTheStatusLine)
{
    LocalHttpServer notFound(always(LocalHttpServer::reply("HTTP/1.1 404 Not Found", "<html>nincs</html>")));
    EXPECT_EQ(failureOf(notFound.url("/pelmarorderver.txt")), QStringLiteral("HTTP/1.1 404 Not Found"));

    // The redirection target would answer the current version; it must not be
    // asked at all.
    LocalHttpServer target(always(LocalHttpServer::reply("HTTP/1.1 200 OK", "1.10")));
    const QByteArray location = "Location: " + target.url("/pelmarorderver.txt").toEncoded() + "\r\n";
    LocalHttpServer moved(always(LocalHttpServer::reply("HTTP/1.1 302 Found", "", location)));
    EXPECT_EQ(failureOf(moved.url("/pelmarorderver.txt")), QStringLiteral("HTTP/1.1 302 Found"));
    EXPECT_TRUE(target.requests().isEmpty());

    LocalHttpServer serverError(always(LocalHttpServer::reply("HTTP/1.1 500 Internal Server Error", "x")));
    EXPECT_EQ(failureOf(serverError.url("/v")), QStringLiteral("HTTP/1.1 500 Internal Server Error"));
}

TEST(Http, SilentServerFailsWhenTheReplyTimeLimitExpires)
{
    LocalHttpServer silent(always({}));
    QElapsedTimer clock;
    clock.start();
    const QString message = failureOf(silent.url("/pelmarorderver.txt"));
    const qint64 elapsed = clock.elapsed();
    EXPECT_TRUE(message.startsWith(QStringLiteral("Időtúllépés"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("nem válaszolt"))) << message.toStdString();
    EXPECT_EQ(silent.requests().size(), 1);
    // The limit is 0.7 s after the request went out; allow for a slow machine
    // but catch a limit that is ignored.
    EXPECT_GE(elapsed, 600);
    EXPECT_LT(elapsed, 5000);
}

TEST(Http, BodiesOverTheLimitAreRefusedWithoutReadingThemWhole)
{
    const QByteArray huge(10 * 1024 * 1024, 'A');
    LocalHttpServer declared(always(LocalHttpServer::reply("HTTP/1.1 200 OK", huge)));
    EXPECT_TRUE(failureOf(declared.url("/v")).contains(QStringLiteral("túl hosszú")));

    // Without a Content-Length the limit must hold while the body streams in.
    LocalHttpServer streamed(always(LocalHttpServer::replyUntilClose("HTTP/1.1 200 OK", huge)));
    EXPECT_TRUE(failureOf(streamed.url("/v")).contains(QStringLiteral("túl hosszú")));

    // Exactly at the limit is still accepted.
    Http::Options small = shortLimits();
    small.maxBodyBytes = 1000;
    LocalHttpServer atLimit(always(LocalHttpServer::replyUntilClose("HTTP/1.1 200 OK", QByteArray(1000, 'b'))));
    EXPECT_EQ(Http::get(atLimit.url("/v"), small).size(), 1000);
    LocalHttpServer overLimit(always(LocalHttpServer::replyUntilClose("HTTP/1.1 200 OK", QByteArray(1001, 'b'))));
    EXPECT_TRUE(failureOf(overLimit.url("/v"), small).contains(QStringLiteral("túl hosszú")));
}

TEST(Http, NoServerGarbageOrACutBodyFails)
{
    quint16 port = 0;
    {
        LocalHttpServer gone(always({}));
        port = gone.port();
    }
    const QString message = failureOf(QUrl(QStringLiteral("http://127.0.0.1:%1/pelmarorderver.txt").arg(port)));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_NE(message, QStringLiteral("<no failure>"));

    LocalHttpServer garbage(always(QByteArray("\x01\x02 this is no HTTP at all\r\n\r\n", 30)));
    EXPECT_NE(failureOf(garbage.url("/v")), QStringLiteral("<no failure>"));

    LocalHttpServer truncated(always("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n1.10"));
    EXPECT_NE(failureOf(truncated.url("/v")), QStringLiteral("<no failure>"));
}

TEST(VersionCheck, TrimRemovesControlCharactersAndBlanksOnlyAtTheEnds)
{
    EXPECT_EQ(VersionCheck::trimmed("\t 1.10 \r\n\0"), QByteArray("1.10"));
    EXPECT_EQ(VersionCheck::trimmed(QByteArray("\x00\x1f 1 .10\x7f", 10)), QByteArray("1 .10\x7f"));
    EXPECT_EQ(VersionCheck::trimmed(" \r\n"), QByteArray());
}

TEST(VersionCheck, EachReplyGivesItsOneMessageAndRestoresTheStatusLine)
{
    struct Case
    {
        QByteArray body;
        bool current;
    };
    const QList<Case> cases = {
        {"1.10\r\n", true},
        {"1.10", true},
        {"1.11", false},
        {"1.1", false},
        {"1.10.0", false},
        {" \t1.10\x7f", false},
        {"", false},
        {"\xEF\xBB\xBF"
         "1.10",
         false},
        {"<html><body>Hiba</body></html>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        LocalHttpServer server(always(LocalHttpServer::reply("HTTP/1.1 200 OK", c.body)));
        FakeStatus status;
        const QString before = status.current;
        QStringList shown;
        QString statusWhileShown;
        VersionCheck::run(
            status.line(),
            [&](const QString& text) {
                shown.append(text);
                statusWhileShown = status.current;
            },
            server.url(LabInfo::kVersionPath), shortLimits());

        EXPECT_EQ(shown, QStringList {c.current ? VersionCheck::kUpToDateText : VersionCheck::newVersionText()});
        EXPECT_EQ(statusWhileShown, VersionCheck::kSearchingText);
        EXPECT_EQ(status.history, QStringList({VersionCheck::kSearchingText, before}));
        EXPECT_EQ(status.current, before);
    }
    // The cases above compare with newVersionText() itself, so its words are
    // checked once here.
    EXPECT_EQ(VersionCheck::newVersionText(),
              QStringLiteral("Új verzió érhető el a programból!\n\nKérjük látogasson el a www.pelmar.hu címre, "
                             "hogy letölthesse."));
}

TEST(VersionCheck, FailureRestoresTheStatusFirstAndShowsNoVersionMessage)
{
    struct Case
    {
        const char* name;
        QByteArray answer;
    };
    const QList<Case> cases = {
        {"404", LocalHttpServer::reply("HTTP/1.1 404 Not Found", "nincs")},
        {"302", LocalHttpServer::reply("HTTP/1.1 302 Found", "", "Location: http://127.0.0.1:1/x\r\n")},
        {"silent", QByteArray()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocalHttpServer server(always(c.answer));
        FakeStatus status;
        const QString before = status.current;
        QStringList shown;
        QString statusWhenThrown;
        bool thrown = false;
        try {
            VersionCheck::run(
                status.line(), [&](const QString& text) { shown.append(text); }, server.url(LabInfo::kVersionPath),
                shortLimits());
        } catch (const AppError& e) {
            thrown = true;
            statusWhenThrown = status.current;
            EXPECT_FALSE(e.message().isEmpty());
        }
        EXPECT_TRUE(thrown);
        EXPECT_EQ(statusWhenThrown, before);
        EXPECT_TRUE(shown.isEmpty());
    }
}
