#include "platform/HelpFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <chm_lib.h>

namespace pelmar {

// ---------------------------------------------------------------- ChmFile

ChmFile::ChmFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    // chmlib does not check that the name is a regular file.
    if (QFileInfo(path).isFile())
        m_handle = chm_open(native.constData());
}

ChmFile::~ChmFile()
{
    if (m_handle)
        chm_close(m_handle);
}

bool ChmFile::contains(const QString& objectPath) const
{
    if (!m_handle)
        return false;
    chmUnitInfo info {};
    const QByteArray name = objectPath.toUtf8();
    return chm_resolve_object(m_handle, name.constData(), &info) == CHM_RESOLVE_SUCCESS;
}

std::optional<QByteArray> ChmFile::read(const QString& objectPath) const
{
    if (!m_handle)
        return std::nullopt;
    chmUnitInfo info {};
    const QByteArray name = objectPath.toUtf8();
    if (chm_resolve_object(m_handle, name.constData(), &info) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    if (info.length > static_cast<LONGUINT64>(kMaxObjectBytes))
        return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(info.length), Qt::Uninitialized);
    if (info.length == 0)
        return bytes;
    const LONGINT64 got = chm_retrieve_object(m_handle, &info, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                              static_cast<LONGINT64>(info.length));
    // A short read means a damaged file; half a page is no help.
    if (got != static_cast<LONGINT64>(info.length))
        return std::nullopt;
    return bytes;
}

QStringList ChmFile::files() const
{
    QStringList out;
    if (!m_handle)
        return out;
    auto collect = [](chmFile*, chmUnitInfo* ui, void* context) -> int {
        static_cast<QStringList*>(context)->append(QString::fromUtf8(ui->path));
        return CHM_ENUMERATOR_CONTINUE;
    };
    chm_enumerate(m_handle, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collect, &out);
    return out;
}

// ------------------------------------------------------- contents and text

QString decodeHelpText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1250("windows-1250");
    if (cp1250.isValid())
        return cp1250.decode(bytes);
    return QString::fromLatin1(bytes);
}

namespace {

QString unescapeHtml(QString s)
{
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&#39;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

} // namespace

QList<HelpContentsEntry> parseHelpContents(const QByteArray& hhc)
{
    static const QRegularExpression token(
        QStringLiteral("<(/?)(ul|object)\\b([^>]*)>|<param\\s+name\\s*=\\s*\"([^\"]*)\"\\s+value\\s*=\\s*\"([^\"]*)\""),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sitemap(QStringLiteral("type\\s*=\\s*\"text/sitemap\""),
                                            QRegularExpression::CaseInsensitiveOption);

    const QString text = decodeHelpText(hhc);
    QList<HelpContentsEntry> out;
    int depth = 0;
    bool inEntry = false;
    HelpContentsEntry entry;
    auto it = token.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const bool closing = !m.captured(1).isEmpty();
        const QString tag = m.captured(2).toLower();
        if (tag == QLatin1String("ul")) {
            depth = closing ? qMax(0, depth - 1) : depth + 1;
        } else if (tag == QLatin1String("object")) {
            if (!closing) {
                inEntry = sitemap.match(m.captured(3)).hasMatch();
                entry = HelpContentsEntry {};
                entry.depth = qMax(0, depth - 1);
            } else if (inEntry) {
                inEntry = false;
                if (!entry.name.isEmpty())
                    out.append(entry);
            }
        } else if (inEntry) {
            const QString name = m.captured(4).toLower();
            if (name == QLatin1String("name"))
                entry.name = unescapeHtml(m.captured(5));
            else if (name == QLatin1String("local"))
                entry.local = unescapeHtml(m.captured(5));
        }
    }
    return out;
}

} // namespace pelmar
