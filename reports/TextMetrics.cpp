#include "reports/TextMetrics.h"

#include <QFontMetricsF>
#include <cmath>

namespace pelmar::reports {

int emHeightUnits(const FontSpec& font)
{
    return std::max(1, int(std::lround(font.size * 25.4 / 72.0 * UnitsPerMm)));
}

QString standInFamily(const QString& face)
{
    const QString f = face.toLower();
    if (f == QLatin1String("arial") || f == QLatin1String("helvetica"))
        return QStringLiteral("Liberation Sans");
    if (f == QLatin1String("times new roman") || f == QLatin1String("times"))
        return QStringLiteral("Liberation Serif");
    if (f == QLatin1String("courier new") || f == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    return face;
}

QFont drawingFont(const FontSpec& fontSpec)
{
    QFont font;
    font.setFamilies({standInFamily(fontSpec.name), fontSpec.name});
    font.setPixelSize(emHeightUnits(fontSpec));
    font.setBold(fontSpec.bold);
    font.setItalic(fontSpec.italic);
    font.setUnderline(fontSpec.underline);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::ForceOutline | QFont::PreferQuality));
    return font;
}

struct TextMetrics::FontEntry
{
    FontSpec fontSpec;
    QFontMetricsF metrics;
    QHash<char32_t, double> advances;

    explicit FontEntry(const FontSpec& s)
        : fontSpec(s)
        , metrics(drawingFont(s))
    {
    }
};

TextMetrics::TextMetrics() = default;
TextMetrics::~TextMetrics() = default;

TextMetrics::FontEntry& TextMetrics::entry(const FontSpec& font)
{
    for (const auto& e : m_entries)
        if (e->fontSpec == font)
            return *e;
    m_entries.append(std::make_shared<FontEntry>(font));
    return *m_entries.back();
}

MeasuredText TextMetrics::measure(const FontSpec& font, const QString& text)
{
    FontEntry& e = entry(font);
    MeasuredText out;
    out.dx.resize(text.size());
    double exact = 0; // running position, rounded per character without drift
    qint64 placed = 0;
    for (qsizetype at = 0; at < text.size();) {
        char32_t cp = text.at(at).unicode();
        qsizetype units = 1;
        if (text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text.at(at), text.at(at + 1));
            units = 2;
        }
        auto found = e.advances.constFind(cp);
        double advance;
        if (found != e.advances.constEnd()) {
            advance = *found;
        } else {
            advance = e.metrics.horizontalAdvance(QString::fromUcs4(&cp, 1));
            e.advances.insert(cp, advance);
        }
        exact += advance;
        const qint64 next = std::llround(exact);
        out.dx[at] = qint32(next - placed);
        placed = next;
        // The low half of a surrogate pair keeps its zero advance.
        at += units;
    }
    out.width = placed;
    return out;
}

double TextMetrics::ascentMm(const FontSpec& font)
{
    return entry(font).metrics.ascent() / UnitsPerMm;
}

double TextMetrics::heightMm(const FontSpec& font)
{
    const QFontMetricsF& m = entry(font).metrics;
    return (m.ascent() + m.descent()) / UnitsPerMm;
}

} // namespace pelmar::reports
