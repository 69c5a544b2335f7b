#pragma once

#include <QByteArray>
#include <QUrl>

namespace pelmar::Http {

// Limits of one request. The defaults suit the lab's web server; tests use
// short ones so that a silent server does not hold them up.
struct Options
{
    int connectTimeoutMs = 10000; // until the request has been sent
    int replyTimeoutMs = 10000; // from then until the whole reply is in
    qint64 maxBodyBytes = 64 * 1024;
};

// One HTTP/1.1 GET without proxy, without following redirections, with the
// request headers the lab's server has always been sent. Returns the body of
// a 2xx reply. Anything else (no connection, a time limit, a redirection, an
// error status, a body over the limit) throws AppError with a message for the
// general error box.
//
// Synchronous for the caller: a local event loop runs meanwhile, so the
// windows stay painted, but user input waits until the request has ended.
QByteArray get(const QUrl& url, const Options& options = Options());

// The exact request header values (also used by the tests' server to check
// what arrives).
inline constexpr char kAccept[] = "text/html, */*";
inline constexpr char kContentType[] = "text/html";
inline constexpr char kUserAgent[] = "Mozilla/3.0 (compatible; ZunderClient/1.0)";

} // namespace pelmar::Http
