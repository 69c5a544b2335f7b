#include "ui/main/PictureListView.h"

#include "core/OrderModel.h"
#include "ui/common/AccentRoom.h"

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
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
    keepAccentsInHeader(horizontalHeader());
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
    if (tip.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    // The info text as written: each line feed starts a line, no line is
    // wrapped. Qt wraps every tip it takes for markup, so the text goes as
    // plain text; one that merely looks like markup goes escaped, and its
    // label is then told not to wrap.
    const bool looksRich = Qt::mightBeRichText(tip);
    QToolTip::showText(help->globalPos(), looksRich ? Qt::convertFromPlainText(tip, Qt::WhiteSpacePre) : tip,
                       viewport(), visualRect(index));
    if (looksRich)
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* label = qobject_cast<QLabel*>(w); label && w->inherits("QTipLabel") && w->isVisible()) {
                label->setWordWrap(false);
                label->resize(label->sizeHint());
            }
    return true;
}

} // namespace pelmar
