#include "ui/delivery/LabSending.h"

#include "delivery/LabConnection.h"
#include "ui/common/MessageBox.h"
#include "ui/delivery/LabConnectionForm.h"
#include "ui/delivery/LabKeychain.h"
#include "ui/delivery/SendsWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <algorithm>

namespace pelmar {

namespace {

LabSending* g_instance = nullptr;

LabSending::PasswordAsker& passwordAsker()
{
    static LabSending::PasswordAsker asker;
    return asker;
}

std::optional<QString> askPassword(QWidget* parent, const LabConnection& c)
{
    if (passwordAsker())
        return passwordAsker()(parent);
    // Nobody sits at the screen to answer while the boxes are scripted.
    if (ScriptedMessages::active())
        return std::nullopt;
    bool ok = false;
    const QString password = QInputDialog::getText(
        parent, QStringLiteral("Jelszó"), QStringLiteral("A labor szerverének jelszava (%1@%2):").arg(c.user, c.host),
        QLineEdit::Password, {}, &ok);
    if (!ok || password.isEmpty())
        return std::nullopt;
    return password;
}

} // namespace

LabSending::LabSending(QWidget* window, const QString& settingsPath)
    : QObject(window)
    , m_window(window)
    , m_settingsPath(settingsPath)
{
    g_instance = this;
    // An earlier run left orders in the queue: they go on now, without
    // waiting for the partner to open anything.
    if (QFileInfo::exists(SendQueue::pathBeside(m_settingsPath)))
        makeQueue();
}

LabSending::~LabSending()
{
    if (g_instance == this)
        g_instance = nullptr;
}

LabSending* LabSending::instance()
{
    return g_instance;
}

void LabSending::setPasswordAsker(PasswordAsker asker)
{
    passwordAsker() = std::move(asker);
}

bool LabSending::isConfigured() const
{
    return loadLabConnection(m_settingsPath).isComplete();
}

SendQueue* LabSending::queue()
{
    if (!m_queue)
        makeQueue();
    return m_queue;
}

void LabSending::makeQueue()
{
    const LabConnection connection = loadLabConnection(m_settingsPath);
    m_queue = new SendQueue(SendQueue::pathBeside(m_settingsPath), this);
    m_queue->setConnection(connection);
    // Without its password a send would only fail at the lab's door.
    if (connection.usePassword)
        m_queue->setRunning(false);
    connect(m_queue, &SendQueue::itemChanged, this, &LabSending::onItemChanged);
    connect(m_queue, &SendQueue::itemRemoved, this, &LabSending::updateStatus);
    connect(m_queue, &SendQueue::enqueued, this, &LabSending::onEnqueued);
    connect(m_queue, &SendQueue::hostKeyUnknown, this, &LabSending::onHostKeyUnknown);
    connect(m_queue, &SendQueue::loaded, this, [this](const QString& error) {
        if (!error.isEmpty())
            MessageBox::error(m_window, error);
        updateStatus();
        const bool pending = std::any_of(m_queue->orders().cbegin(), m_queue->orders().cend(),
                                         [](const SendItem& item) { return !isFinished(item.state); });
        if (pending)
            withPassword({});
    });
}

void LabSending::withPassword(std::function<void()> then)
{
    const LabConnection connection = loadLabConnection(m_settingsPath);
    if (!connection.usePassword || m_passwordSet) {
        if (then)
            then();
        return;
    }
    QPointer<QWidget> window = m_window;
    LabKeychain::read(connection, this,
                      [this, connection, then, window](std::optional<QString> password, const QString&) {
                          if (!password)
                              password = askPassword(window, connection);
                          if (!password)
                              return;
                          m_queue->setPassword(*password);
                          m_queue->setRunning(true);
                          m_passwordSet = true;
                          if (then)
                              then();
                      });
}

void LabSending::send(const QString& folder)
{
    if (!isConfigured()) {
        MessageBox::information(m_window,
                                QStringLiteral("A küldéshez előbb adja meg a labor szerverének adatait "
                                               "(Beállítások / Kapcsolat a laborral...)."));
        editConnection();
        if (!isConfigured())
            return;
    }
    queue();
    withPassword([this, folder] {
        m_queue->enqueue(folder);
        showSends();
    });
}

SendsWindow* LabSending::showSends()
{
    if (!m_sendsWindow)
        m_sendsWindow = new SendsWindow(queue(), m_window);
    m_sendsWindow->show();
    m_sendsWindow->raise();
    m_sendsWindow->activateWindow();
    return m_sendsWindow;
}

void LabSending::editConnection()
{
    LabConnectionForm form(m_window, m_settingsPath);
    if (form.exec() != QDialog::Accepted)
        return;
    const LabConnection connection = loadLabConnection(m_settingsPath);
    m_passwordSet = false;
    if (m_queue) {
        m_queue->setConnection(connection);
        if (connection.usePassword) {
            m_queue->setRunning(false);
            withPassword({});
        } else {
            m_queue->setRunning(true);
        }
    }
}

QString LabSending::offerQuestion()
{
    return QStringLiteral("Elküldi most a megrendelést a laborba az interneten?\n\n"
                          "A küldés a háttérben folyik, közben dolgozhat tovább; "
                          "ha megszakad a kapcsolat, a program magától folytatja.");
}

bool LabSending::offer(QWidget* parent, const QString& orderFolder)
{
    LabSending* sending = instance();
    if (!sending || !sending->isConfigured())
        return false;
    if (MessageBox::confirm(parent, offerQuestion()) != MessageAnswer::Yes)
        return false;
    sending->send(orderFolder);
    return true;
}

void LabSending::onEnqueued(const QString& folder, qint64 id, const QString& problem)
{
    if (!problem.isEmpty()) {
        MessageBox::error(m_window,
                          QStringLiteral("A megrendelést nem lehet elküldeni:\n\n%1\n\n%2")
                              .arg(QDir::toNativeSeparators(folder), problem));
        return;
    }
    m_told.remove(id);
    if (m_sendsWindow)
        m_sendsWindow->selectOrder(id);
}

void LabSending::onItemChanged(const SendItem& item)
{
    updateStatus();
    // The key was trusted while this send was still on its way to failing.
    if (item.state == SendState::Failed && item.lastProblem == SftpProblem::HostKeyUnknown
        && !loadLabConnection(m_settingsPath).hostKey.isEmpty()) {
        m_queue->retry(item.id);
        return;
    }
    if (!isFinished(item.state)) {
        m_told.remove(item.id);
        return;
    }
    if (m_told.contains(item.id))
        return;
    m_told.insert(item.id);
    // A failed send is said at once: an order that only looks sent is the
    // worst outcome. A missing host key is asked about instead.
    if (item.state == SendState::Failed && item.lastProblem != SftpProblem::HostKeyUnknown)
        MessageBox::error(m_window,
                          QStringLiteral("A(z) %1 megrendelés nem jutott el a laborba.\n\n%2\n\n"
                                         "A Fájl / Küldések a laborba ablakban újra elküldheti.")
                              .arg(item.name, item.lastError));
}

void LabSending::onHostKeyUnknown(const QString& host, const QString& fingerprint)
{
    if (m_askingHostKey)
        return;
    m_askingHostKey = true;
    const QString question
        = QStringLiteral("A labor szervere (%1) először jelentkezik ezzel az ujjlenyomattal:\n\n%2\n\n"
                         "Egyezik ez azzal, amelyet a labortól kapott? Csak akkor válaszoljon igennel, ha "
                         "biztosan egyezik; ezután a program csak ennek a szervernek küld.")
              .arg(host, fingerprint);
    const bool trusted = MessageBox::confirm(m_window, question) == MessageAnswer::Yes;
    m_askingHostKey = false;
    if (!trusted)
        return;
    LabConnection connection = loadLabConnection(m_settingsPath);
    connection.hostKey = fingerprint;
    if (!saveLabConnection(connection, m_settingsPath)) {
        MessageBox::error(m_window, QStringLiteral("A szerver ujjlenyomatát nem sikerült a beállítások közé menteni."));
        return;
    }
    m_queue->setConnection(connection);
    for (const SendItem& item : m_queue->orders())
        if (item.state == SendState::Failed && item.lastProblem == SftpProblem::HostKeyUnknown)
            m_queue->retry(item.id);
}

void LabSending::updateStatus()
{
    const QString text = m_queue ? sendStatusText(m_queue->orders()) : QString();
    if (text == m_status)
        return;
    m_status = text;
    emit statusChanged(text);
}

} // namespace pelmar
