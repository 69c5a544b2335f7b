#include "core/AddRun.h"

#include "core/NativePath.h"
#include "core/PictureCheck.h"
#include "core/Text.h"

namespace pelmar {

QString DuplicateKey(const QString& fileName, const QString& size, bool fill)
{
    QString key;
    key.reserve(fileName.size() + size.size() + 3);
    // As a case-insensitive comparison folds, so a letter outside the basic
    // plane folds too.
    AppendCaseFolded(key, fileName);
    // A separator that no file name holds keeps the three parts apart.
    key.append(QChar(u'\0'));
    key.append(size);
    key.append(QChar(u'\0'));
    key.append(fill ? QLatin1Char('1') : QLatin1Char('0'));
    return key;
}

AddRun::AddRun(OrderModel& order)
    : m_order(order)
{
    const int n = order.lineCount();
    m_rows.reserve(n);
    for (int r = 0; r < n; ++r) {
        const OrderLine& l = order.line(r);
        // The first line with a key is the one a search finds.
        const QString key = DuplicateKey(l.Caption, l.size(), l.fills());
        if (!m_rows.contains(key))
            m_rows.insert(key, r);
    }
}

QString AddRun::duplicateMessage(const QString& caption)
{
    return QStringLiteral("A fájlt már felvette az összeállításba ezzel a mérettel és kitöltéssel:\n\n") + caption;
}

AddRun::Result AddRun::add(const QString& path, const TPriceData& entry, bool fill, int quantity, const QString& source)
{
    Result result;
    const QString name = ReadableName(FileNameOf(path));
    const QString key = DuplicateKey(name, entry.Size, fill);
    if (const auto hit = m_rows.constFind(key); hit != m_rows.constEnd()) {
        result.duplicate = *hit;
        result.refusal = duplicateMessage(m_order.line(*hit).Caption);
        return result;
    }
    if (GetFileSize(path) < kMinPictureBytes) {
        result.refusal = SizeRuleMessage(name);
        return result;
    }
    const CheckResult check = CheckPicture(path, entry);
    if (check.status == StatusRefused) {
        result.refusal = check.info;
        return result;
    }
    result.row = m_order.AddOrderLine(path, check.resolution, check.status, check.info, fill, entry,
                                      QString::number(quantity), quantity, source);
    m_rows.insert(key, result.row);
    return result;
}

} // namespace pelmar
