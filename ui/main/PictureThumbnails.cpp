#include "ui/main/PictureThumbnails.h"

#include "platform/PictureDecoder.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

#include <cmath>

namespace pelmar {

PictureThumbnails::PictureThumbnails(QTableView* list, PictureDecoder& decoder, std::function<QString(int)> pathOf,
                                     QAbstractItemDelegate* inner)
    : QStyledItemDelegate(list)
    , m_list(list)
    , m_decoder(decoder)
    , m_pathOf(std::move(pathOf))
    , m_inner(inner)
    , m_plainRowHeight(list->verticalHeader()->defaultSectionSize())
{
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(30);
    connect(&m_repaint, &QTimer::timeout, this, [this] { m_list->viewport()->update(); });
    // Rows scrolled out of view no longer need theirs; the rows that come
    // into view ask again when they are drawn.
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_shown)
            m_decoder.dropQueued(PictureDecoder::Thumbnail);
    });
    connect(&decoder, &PictureDecoder::thumbnailReady, this, [this] {
        if (m_shown && !m_repaint.isActive())
            m_repaint.start();
    });
}

void PictureThumbnails::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    m_list->verticalHeader()->setDefaultSectionSize(shown ? kRowHeight : m_plainRowHeight);
    m_list->viewport()->update();
}

QStyleOptionViewItem PictureThumbnails::shifted(const QStyleOptionViewItem& option) const
{
    QStyleOptionViewItem moved(option);
    moved.rect.setLeft(option.rect.left() + kRoom);
    return moved;
}

void PictureThumbnails::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!m_shown || index.column() != 0) {
        m_inner->paint(painter, option, index);
        return;
    }
    // The thumbnail's room gets the row's background (selection included),
    // then the column's own drawing beside it.
    QStyleOptionViewItem room(option);
    room.rect.setWidth(std::min(kRoom, option.rect.width()));
    initStyleOption(&room, index);
    room.text.clear();
    room.icon = QIcon();
    room.features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &room, painter, widget);
    if (option.rect.width() > kRoom)
        m_inner->paint(painter, shifted(option), index);

    const QString path = m_pathOf ? m_pathOf(index.row()) : QString();
    if (path.isEmpty())
        return;
    auto& decoder = const_cast<PictureDecoder&>(m_decoder);
    // Made for the device pixels of the screen the list is on, so a 2x
    // screen shows 128 pixels, not 64 scaled up.
    const qreal ratio = std::max<qreal>(1.0, painter->device()->devicePixelRatio());
    decoder.setThumbnailSide(int(std::ceil(PictureDecoder::kThumbnailSide * ratio - 1e-6)));
    QImage thumb = decoder.thumbnail(path);
    thumb.setDevicePixelRatio(ratio);
    painter->save();
    painter->setClipRect(option.rect.intersected(room.rect));
    const QRect cell(room.rect.left() + 2, room.rect.top() + 2, kRoom - 4, room.rect.height() - 4);
    if (thumb.isNull()) {
        // Asked for only now that the row is drawn: the rows in view first.
        if (!decoder.thumbnailFailed(path))
            decoder.requestThumbnail(path);
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawRect(cell.adjusted(8, 8, -9, -9));
    } else {
        const QSize logical = thumb.deviceIndependentSize().toSize();
        const QSize s = logical.scaled(cell.size(), Qt::KeepAspectRatio).boundedTo(logical);
        painter->drawImage(QRect(cell.left() + (cell.width() - s.width()) / 2,
                                 cell.top() + (cell.height() - s.height()) / 2, s.width(), s.height()),
                           thumb);
    }
    painter->restore();
}

QSize PictureThumbnails::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize hint = m_inner->sizeHint(option, index);
    if (m_shown && index.column() == 0)
        hint = QSize(hint.width() + kRoom, std::max(hint.height(), kRowHeight));
    return hint;
}

bool PictureThumbnails::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    return m_inner->helpEvent(event, view, m_shown && index.column() == 0 ? shifted(option) : option, index);
}

} // namespace pelmar
