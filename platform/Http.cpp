#include "platform/Http.h"

#include "core/AppError.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <memory>

namespace pelmar::Http {

namespace {

enum class Abort { None, ConnectTimeout, ReplyTimeout, TooLarge, Interrupted };

QString secondsText(int ms)
{
    // Whole seconds for the user; a short test limit still reads sensibly.
    const int seconds = ms >= 1000 ? ms / 1000 : 1;
    return QString::number(seconds);
}

QString abortMessage(Abort why, const Options& options, const QUrl& url)
{
    switch (why) {
    case Abort::ConnectTimeout:
        return QStringLiteral("Időtúllépés: %1 másodperc alatt nem sikerült kapcsolódni a(z) %2 kiszolgálóhoz")
            .arg(secondsText(options.connectTimeoutMs), url.host());
    case Abort::ReplyTimeout:
        return QStringLiteral("Időtúllépés: a(z) %1 kiszolgáló %2 másodperc alatt nem válaszolt")
            .arg(url.host(), secondsText(options.replyTimeoutMs));
    case Abort::TooLarge:
        return QStringLiteral("A kiszolgáló válasza túl hosszú (több mint %1 bájt)").arg(options.maxBodyBytes);
    case Abort::Interrupted:
        return QStringLiteral("A letöltés megszakadt");
    case Abort::None:
        break;
    }
    return {};
}

} // namespace

QByteArray get(const QUrl& url, const Options& options)
{
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty())
        throw AppError(QStringLiteral("Érvénytelen webcím: %1").arg(url.toString()));

    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);

    QNetworkRequest request(url);
    request.setRawHeader("Accept", kAccept);
    request.setRawHeader("Content-Type", kContentType);
    request.setRawHeader("User-Agent", kUserAgent);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    // Never keep more than one byte past the limit in memory.
    reply->setReadBufferSize(options.maxBodyBytes + 1);

    Abort aborted = Abort::None;
    bool sent = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);

    auto abortWith = [&](Abort why) {
        if (aborted != Abort::None)
            return;
        aborted = why;
        timer.stop();
        reply->abort();
    };

    QByteArray body;
    auto collect = [&] {
        if (aborted != Abort::None)
            return;
        body += reply->readAll();
        if (body.size() > options.maxBodyBytes)
            abortWith(Abort::TooLarge);
    };

    QObject::connect(&timer, &QTimer::timeout, &loop,
                     [&] { abortWith(sent ? Abort::ReplyTimeout : Abort::ConnectTimeout); });
    QObject::connect(reply.get(), &QNetworkReply::requestSent, &loop, [&] {
        if (aborted != Abort::None || sent)
            return;
        sent = true;
        timer.start(options.replyTimeoutMs);
    });
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > options.maxBodyBytes)
            abortWith(Abort::TooLarge);
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, collect);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    timer.start(options.connectTimeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();
    if (!reply->isFinished()) {
        // The program is ending and took every event loop with it.
        aborted = Abort::Interrupted;
        reply->abort();
    }
    collect();

    if (aborted != Abort::None)
        throw AppError(abortMessage(aborted, options, url));

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        const int code = status.toInt();
        if (code < 200 || code > 299) {
            // The status line, as the server sent it: a redirection is refused
            // here like any other reply that is not a success.
            const QString reason
                = QString::fromLatin1(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
            throw AppError(QStringLiteral("HTTP/1.1 %1 %2").arg(code).arg(reason).trimmed());
        }
    }
    if (reply->error() != QNetworkReply::NoError)
        throw AppError(reply->errorString());
    if (!status.isValid())
        throw AppError(QStringLiteral("A kiszolgáló nem küldött érvényes HTTP választ"));
    return body;
}

} // namespace pelmar::Http
