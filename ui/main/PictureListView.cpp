#include "ui/main/PictureListView.h"

#include "core/OrderModel.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

namespace pelmar {

namespace {

// Draws the status icon of each line in front of its file name.
class StatusIconDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != 0)
            return;
        // Every line keeps the icon's room, so captions stay aligned.
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(16, 16);
        option->icon = PictureListView::statusIcon(index.data(OrderModel::StatusIconRole).toInt());
    }
};

} // namespace

PictureListView::PictureListView(QWidget* parent)
    : QTableView(parent)
{
    setItemDelegate(new StatusIconDelegate(this));
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    setIconSize(QSize(16, 16));
    // The selection stays as visible when the list has lost the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

QIcon PictureListView::statusIcon(int index)
{
    static const char* const names[] = {"accepted", "warning", "refused"};
    if (index < 0 || index > 2)
        return {};
    return QIcon(QStringLiteral(":/status/%1.svg").arg(QLatin1String(names[index])));
}

bool PictureListView::acceptsDrop(const QMimeData* mime) const
{
    if (!m_dropsEnabled || !mime || !mime->hasUrls())
        return false;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return true;
    return false;
}

void PictureListView::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void PictureListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PictureListView::dropEvent(QDropEvent* event)
{
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QList<QUrl> urls = event->mimeData()->urls();
    QTimer::singleShot(0, this, [this, urls] { emit filesDropped(urls); });
}

bool PictureListView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString tip = index.isValid() ? index.data(Qt::ToolTipRole).toString() : QString();
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        // Shown as plain text, line feeds included, and never wrapped: the
        // info text is one line as written.
        QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(tip, Qt::WhiteSpaceNoWrap), viewport(),
                           visualRect(index));
    return true;
}

} // namespace pelmar
