#pragma once

#include <QIcon>
#include <QList>
#include <QTableView>
#include <QUrl>

class QMimeData;

namespace pelmar {

// The order's picture list: one line per picture with its status icon in
// front of the file name, the line's info text as tool tip, and local files
// and folders dropped on it handed on through filesDropped.
class PictureListView : public QTableView
{
    Q_OBJECT
public:
    explicit PictureListView(QWidget* parent = nullptr);

    // The status icons by index: 0 check mark, 1 warning triangle, 2 red
    // disc with a white cross; any other index has none.
    static QIcon statusIcon(int index);

    // Whether drops are taken now (the main window turns them off while an
    // add run is under way; a refused drop is refused quietly).
    void setDropsEnabled(bool enabled) { m_dropsEnabled = enabled; }
    // True for a drop that holds at least one local file while drops are on.
    bool acceptsDrop(const QMimeData* mime) const;

signals:
    // Emitted once the drop is over, so the source program is not kept
    // waiting by what the receiver does with the files.
    void filesDropped(const QList<QUrl>& urls);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    bool m_dropsEnabled = true;
};

} // namespace pelmar
