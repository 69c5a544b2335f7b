#include "core/NativePath.h"
#include "core/Text.h"

#include <QByteArrayView>

#include <dirent.h>
#include <sys/stat.h>

namespace pelmar {

namespace {

constexpr char16_t kEscape = 0xDC00;

bool isEscape(QChar c)
{
    return c.unicode() >= kEscape + 0x80 && c.unicode() <= kEscape + 0xFF;
}

// The length of the valid UTF-8 sequence at bytes[i], or 0 when there is
// none there (a stray byte, an overlong form, a surrogate, beyond U+10FFFF).
int sequenceAt(const QByteArray& bytes, qsizetype i)
{
    const auto b = [&](qsizetype k) { return k < bytes.size() ? quint8(bytes[k]) : 0u; };
    const unsigned lead = b(i);
    if (lead < 0x80)
        return 1;
    const auto cont = [&](qsizetype k) { return (b(k) & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return cont(i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned second = b(i + 1);
        const bool ok = (lead == 0xE0 ? second >= 0xA0 : lead == 0xED ? second < 0xA0 : true);
        return ok && cont(i + 1) && cont(i + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned second = b(i + 1);
        const bool ok = (lead == 0xF0 ? second >= 0x90 : lead == 0xF4 ? second < 0x90 : true);
        return ok && cont(i + 1) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace

QString PathFromNative(const QByteArray& bytes)
{
    if (QByteArrayView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const int n = sequenceAt(bytes, i);
        if (n == 0) {
            out.append(QChar(char16_t(kEscape + quint8(bytes[i]))));
            ++i;
        } else {
            out.append(QString::fromUtf8(bytes.constData() + i, n));
            i += n;
        }
    }
    return out;
}

bool HasRawBytes(const QString& path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        // A low surrogate after a high one is half of a real character.
        if (isEscape(path[i]) && (i == 0 || !path[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

QString ReadableName(const QString& path)
{
    if (!HasRawBytes(path))
        return path;
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isEscape(path[i]) && (i == 0 || !path[i - 1].isHighSurrogate()))
            out += DecodeCp1250(QByteArray(1, char(path[i].unicode() - kEscape)));
        else
            out += path[i];
    }
    return out;
}

QByteArray NativePath(const QString& path)
{
    if (!HasRawBytes(path))
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 2);
    qsizetype from = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isEscape(path[i]) || (i > 0 && path[i - 1].isHighSurrogate()))
            continue;
        out += QStringView(path).mid(from, i - from).toUtf8();
        out += char(path[i].unicode() - kEscape);
        from = i + 1;
    }
    out += QStringView(path).mid(from).toUtf8();
    return out;
}

FolderEntries ListFolder(const QString& folder)
{
    FolderEntries out;
    const QByteArray native = NativePath(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return out;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st
            {
            };
            isFolder = ::stat((native + '/' + name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        (isFolder ? out.folders : out.files).append(PathFromNative(name));
    }
    ::closedir(dir);
    return out;
}

} // namespace pelmar
