#pragma once

#include <QStyledItemDelegate>
#include <QTimer>

#include <functional>

class QTableView;

namespace pelmar {

class PictureDecoder;

// The thumbnails before the file names of the picture list, a view the user
// switches on. The first column's own drawing (status icon, name) moves
// right to make room. Only rows that are drawn ask for their thumbnail, so
// the rows in view come first and a long list costs no more than a short
// one.
class PictureThumbnails : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The room a thumbnail takes before the name, and the row height then.
    static constexpr int kRoom = 68;
    static constexpr int kRowHeight = 68;

    // pathOf: the picture file of a row, empty for a row without thumbnail.
    // inner: the column's drawing without thumbnails (kept, not owned).
    PictureThumbnails(QTableView* list, PictureDecoder& decoder, std::function<QString(int row)> pathOf,
                      QAbstractItemDelegate* inner);

    void setShown(bool shown);
    bool isShown() const { return m_shown; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    QStyleOptionViewItem shifted(const QStyleOptionViewItem& option) const;

    QTableView* m_list;
    PictureDecoder& m_decoder;
    std::function<QString(int)> m_pathOf;
    QAbstractItemDelegate* m_inner;
    int m_plainRowHeight;
    bool m_shown = false;
    // Thumbnails arrive in bursts; the list is redrawn once per burst.
    QTimer m_repaint;
};

} // namespace pelmar
