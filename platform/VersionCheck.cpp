#include "platform/VersionCheck.h"

#include "platform/LabInfo.h"

namespace pelmar::VersionCheck {

namespace {

struct Target
{
    QUrl url;
    Http::Options options;
};

Target& target()
{
    static Target t;
    return t;
}

} // namespace

void setTarget(const QUrl& url, const Http::Options& options)
{
    target() = {url, options};
}

void run(const StatusLine& status, const Inform& inform)
{
    const Target t = target();
    if (t.url.isEmpty())
        run(status, inform, QUrl(LabInfo::versionUrl()));
    else
        run(status, inform, t.url, t.options);
}

QString newVersionText()
{
    return QStringLiteral("Új verzió érhető el a programból!\n\nKérjük látogasson el a ") + LabInfo::siteAddress()
        + QStringLiteral(" címre, hogy letölthesse.");
}

QByteArray trimmed(const QByteArray& body)
{
    qsizetype begin = 0;
    qsizetype end = body.size();
    while (begin < end && static_cast<unsigned char>(body[begin]) <= 0x20)
        ++begin;
    while (end > begin && static_cast<unsigned char>(body[end - 1]) <= 0x20)
        --end;
    return body.mid(begin, end - begin);
}

bool isCurrent(const QByteArray& body)
{
    return trimmed(body) == QByteArray(LabInfo::kProgramVersion);
}

void run(const StatusLine& status, const Inform& inform, const QUrl& url, const Http::Options& options)
{
    const QString saved = status.text();
    status.setText(kSearchingText);

    QByteArray body;
    try {
        body = Http::get(url, options);
    } catch (...) {
        // The user sees the old status line behind the error box.
        status.setText(saved);
        throw;
    }

    inform(isCurrent(body) ? kUpToDateText : newVersionText());
    status.setText(saved);
}

} // namespace pelmar::VersionCheck
