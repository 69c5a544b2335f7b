#include "ui/common/AccentRoom.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMovie>
#include <QPixmap>
#include <QPointer>
#include <QVariant>

namespace pelmar {

namespace {

constexpr char kDoneProperty[] = "pelmarAccentRoom";

class AccentRoomFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish)
            if (auto* label = qobject_cast<QLabel*>(watched))
                makeRoomForAccents(label);
        return false;
    }
};

} // namespace

int accentOverhang(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The ink of the tallest accented capitals, not the font's own figures:
    // many faces put the double acute well above their ascent.
    const QRect ink = metrics.tightBoundingRect(QStringLiteral("ÖŐÜŰÁÉÍÓÚ"));
    return std::max(0, -ink.top() - metrics.ascent());
}

void makeRoomForAccents(QLabel* label)
{
    if (!label || label->property(kDoneProperty).isValid())
        return;
    // Pictures (the logo, the icons) keep their place, and so does a label
    // of a fixed height, whose owner has measured it for what it shows.
    if (!label->pixmap().isNull() || label->movie() || label->minimumHeight() == label->maximumHeight())
        return;
    const int extra = accentOverhang(label->font());
    label->setProperty(kDoneProperty, extra);
    if (extra == 0)
        return;
    QMargins margins = label->contentsMargins();
    margins.setTop(margins.top() + extra);
    label->setContentsMargins(margins);
}

void keepAccentsInHeader(QHeaderView* header)
{
    QFont hinting;
    hinting.setHintingPreference(QFont::PreferFullHinting);
    header->setFont(hinting);
}

void installAccentRoom()
{
    // The filter is the application's child: it goes with the application,
    // and a later application gets one of its own.
    static QPointer<AccentRoomFilter> installed;
    if (!qApp || installed)
        return;
    installed = new AccentRoomFilter(qApp);
    qApp->installEventFilter(installed);
}

} // namespace pelmar
