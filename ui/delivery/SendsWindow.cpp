#include "ui/delivery/SendsWindow.h"

#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelmar {

namespace {

enum Column { ColName, ColState, ColBytes, ColRate, ColLeft, ColTries, ColError, ColumnCount };

constexpr int kIdRole = Qt::UserRole + 1;

QString oneDecimal(double value)
{
    return QLocale(QLocale::Hungarian).toString(value, 'f', value < 10 ? 1 : 0);
}

} // namespace

QString byteSizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bájt").arg(bytes);
    if (bytes < 1024 * 1024)
        return oneDecimal(bytes / 1024.0) + QStringLiteral(" kB");
    if (bytes < 1024LL * 1024 * 1024)
        return oneDecimal(bytes / (1024.0 * 1024)) + QStringLiteral(" MB");
    return oneDecimal(bytes / (1024.0 * 1024 * 1024)) + QStringLiteral(" GB");
}

QString rateText(double bytesPerSecond)
{
    if (bytesPerSecond <= 0)
        return {};
    return byteSizeText(qint64(bytesPerSecond)) + QStringLiteral("/s");
}

QString timeLeftText(int seconds)
{
    if (seconds < 0)
        return {};
    if (seconds < 60)
        return QStringLiteral("%1 mp").arg(seconds);
    if (seconds < 3600)
        return seconds % 60 ? QStringLiteral("%1 perc %2 mp").arg(seconds / 60).arg(seconds % 60)
                            : QStringLiteral("%1 perc").arg(seconds / 60);
    const int minutes = (seconds + 59) / 60;
    return minutes % 60 ? QStringLiteral("%1 óra %2 perc").arg(minutes / 60).arg(minutes % 60)
                        : QStringLiteral("%1 óra").arg(minutes / 60);
}

QString sendStatusText(const QList<SendItem>& items)
{
    int waiting = 0;
    for (const SendItem& item : items) {
        if (item.state == SendState::Sending) {
            const int percent = item.bytesTotal > 0 ? int(item.bytesSent * 100 / item.bytesTotal) : 0;
            QString text = QStringLiteral("Küldés a laborba: %1, %2%").arg(item.name).arg(percent);
            const QString rate = rateText(item.bytesPerSecond);
            const QString left = timeLeftText(item.secondsLeft);
            if (!rate.isEmpty())
                text += QStringLiteral(", ") + rate;
            if (!left.isEmpty())
                text += QStringLiteral(", még ") + left;
            return text;
        }
        if (item.state == SendState::Queued || item.state == SendState::Waiting)
            ++waiting;
    }
    return waiting ? QStringLiteral("Küldésre vár: %1 megrendelés").arg(waiting) : QString();
}

SendsWindow::SendsWindow(SendQueue* queue, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_queue(queue)
{
    setObjectName(QStringLiteral("SendsWindow"));
    setWindowTitle(QStringLiteral("Küldések a laborba"));
    resize(980, 320);

    List = new QTreeWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setAccessibleName(QStringLiteral("Küldések"));
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setHeaderLabels({QStringLiteral("Megrendelés"), QStringLiteral("Állapot"), QStringLiteral("Elküldve"),
                           QStringLiteral("Sebesség"), QStringLiteral("Hátralévő idő"), QStringLiteral("Próba"),
                           QStringLiteral("Utolsó hiba")});
    List->header()->setStretchLastSection(true);
    List->setColumnWidth(ColName, 190);
    List->setColumnWidth(ColState, 125);
    List->setColumnWidth(ColBytes, 140);
    List->setColumnWidth(ColRate, 80);
    List->setColumnWidth(ColLeft, 95);
    List->setColumnWidth(ColTries, 45);

    LEmpty = new QLabel(QStringLiteral("Még nem küldött megrendelést a laborba."), this);
    LEmpty->setObjectName(QStringLiteral("LEmpty"));

    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    PauseBtn = button(QStringLiteral("&Szünet"), "PauseBtn");
    ResumeBtn = button(QStringLiteral("&Folytatás"), "ResumeBtn");
    CancelBtn = button(QStringLiteral("&Megszakítás"), "CancelBtn");
    RetryBtn = button(QStringLiteral("Új&raküldés"), "RetryBtn");
    RemoveBtn = button(QStringLiteral("&Eltávolítás a listáról"), "RemoveBtn");
    CloseBtn = button(QStringLiteral("&Bezárás"), "CloseBtn");
    HelpBtn = button(QStringLiteral("Súgó"), "HelpBtn");

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {PauseBtn, ResumeBtn, CancelBtn, RetryBtn, RemoveBtn})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(CloseBtn);
    buttons->addWidget(HelpBtn);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(List, 1);
    outer->addWidget(LEmpty);
    outer->addLayout(buttons);

    connect(List, &QTreeWidget::itemSelectionChanged, this, &SendsWindow::updateButtons);
    connect(PauseBtn, &QPushButton::clicked, this, [this] { act(&SendQueue::pause); });
    connect(ResumeBtn, &QPushButton::clicked, this, [this] { act(&SendQueue::resume); });
    connect(RetryBtn, &QPushButton::clicked, this, [this] { act(&SendQueue::retry); });
    connect(RemoveBtn, &QPushButton::clicked, this, [this] { act(&SendQueue::remove); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] {
        const SendItem* item = m_queue->order(selectedId());
        if (!item)
            return;
        const QString question = QStringLiteral("Megszakítja a(z) %1 megrendelés küldését?\n\n"
                                                "Ami már a laborba került belőle, törlődik; a megrendelés "
                                                "mappája itt megmarad, és később újra elküldheti.")
                                     .arg(item->name);
        if (MessageBox::confirm(this, question) == MessageAnswer::Yes)
            act(&SendQueue::cancel);
    });
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
    auto help = [] { Help::ShowHelpTopic(QStringLiteral("send.html")); };
    connect(HelpBtn, &QPushButton::clicked, this, help);
    Help::installHelpKey(this, help);

    connect(m_queue, &SendQueue::itemChanged, this, &SendsWindow::showItem);
    connect(m_queue, &SendQueue::itemRemoved, this, &SendsWindow::dropItem);
    connect(m_queue, &SendQueue::loaded, this, &SendsWindow::fill);
    fill();
}

QTreeWidgetItem* SendsWindow::rowOf(qint64 id) const
{
    for (int i = 0; i < List->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = List->topLevelItem(i);
        if (row->data(ColName, kIdRole).toLongLong() == id)
            return row;
    }
    return nullptr;
}

void SendsWindow::selectOrder(qint64 id)
{
    if (QTreeWidgetItem* row = rowOf(id))
        List->setCurrentItem(row);
}

qint64 SendsWindow::selectedId() const
{
    const QTreeWidgetItem* row = List->currentItem();
    return row && row->isSelected() ? row->data(ColName, kIdRole).toLongLong() : 0;
}

void SendsWindow::fill()
{
    for (const SendItem& item : m_queue->orders())
        showItem(item);
    updateButtons();
}

void SendsWindow::showItem(const SendItem& item)
{
    QTreeWidgetItem* row = rowOf(item.id);
    if (!row) {
        row = new QTreeWidgetItem(List);
        row->setData(ColName, kIdRole, item.id);
    }
    row->setText(ColName, item.name);
    row->setToolTip(ColName, QDir::toNativeSeparators(item.folder));
    row->setText(ColState, sendStateText(item.state));
    const QString bytes = item.bytesTotal > 0
        ? QStringLiteral("%1 / %2").arg(byteSizeText(item.bytesSent), byteSizeText(item.bytesTotal))
        : QString();
    row->setText(ColBytes, bytes);
    const bool sending = item.state == SendState::Sending;
    row->setText(ColRate, sending ? rateText(item.bytesPerSecond) : QString());
    row->setText(ColLeft, sending ? timeLeftText(item.secondsLeft) : QString());
    row->setText(ColTries, item.tries > 0 ? QString::number(item.tries) : QString());
    row->setText(ColError, item.lastError);
    row->setToolTip(ColError, item.lastError);
    updateButtons();
}

void SendsWindow::dropItem(qint64 id)
{
    delete rowOf(id);
    updateButtons();
}

void SendsWindow::updateButtons()
{
    LEmpty->setVisible(List->topLevelItemCount() == 0);
    const SendItem* item = m_queue->order(selectedId());
    const SendState s = item ? item->state : SendState::Delivered;
    const bool active = item && !isFinished(s);
    PauseBtn->setEnabled(active && s != SendState::Paused);
    ResumeBtn->setEnabled(item && s == SendState::Paused);
    CancelBtn->setEnabled(active);
    RetryBtn->setEnabled(item && isFinished(s));
    RemoveBtn->setEnabled(item && isFinished(s));
}

void SendsWindow::act(void (SendQueue::*action)(qint64))
{
    if (const qint64 id = selectedId())
        (m_queue->*action)(id);
}

} // namespace pelmar
