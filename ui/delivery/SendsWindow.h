#pragma once

#include "delivery/SendQueue.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelmar {

// "1,5 MB", "820 kB", "12 bájt".
QString byteSizeText(qint64 bytes);
// "2,1 MB/s"; empty for no rate.
QString rateText(double bytesPerSecond);
// "1 óra 5 perc", "3 perc 20 mp", "45 mp"; empty when it cannot be told.
QString timeLeftText(int seconds);
// One line for the main window's status line about the queue: the order
// being sent with its share, rate and time left, or how many wait; empty
// when nothing is under way.
QString sendStatusText(const QList<SendItem>& items);

// "Küldések a laborba": every order of the queue and of its history with its
// state, bytes sent of total, rate, time left, tries and last error, and the
// buttons that pause, resume, cancel, send again or remove the selected one.
// A window of its own beside the main window; it only shows what the queue
// reports and never waits for the network.
class SendsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SendsWindow(SendQueue* queue, QWidget* parent = nullptr);

    QTreeWidget* List = nullptr;
    QPushButton* PauseBtn = nullptr;
    QPushButton* ResumeBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* RetryBtn = nullptr;
    QPushButton* RemoveBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    QLabel* LEmpty = nullptr;

    // The row of an order, or nullptr.
    QTreeWidgetItem* rowOf(qint64 id) const;
    // Selects the row of an order.
    void selectOrder(qint64 id);
    // The selected order's id, 0 when none.
    qint64 selectedId() const;

private:
    void fill();
    void showItem(const SendItem& item);
    void dropItem(qint64 id);
    void updateButtons();
    void act(void (SendQueue::*action)(qint64));

    SendQueue* m_queue;
};

} // namespace pelmar
