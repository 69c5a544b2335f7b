#pragma once

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace pelmar::test {

// Answers the modal dialogs that a command opens with exec(): each step runs
// on the next modal dialog that appears and must close it. The class names
// of the dialogs met are recorded, so a test can check which opened in which
// order. A dialog met when no step is left is rejected, so a test never hangs.
// A modal window already open when the script starts is the one the test
// drives, never one of the command's dialogs.
class ModalScript
{
public:
    using Step = std::function<void(QWidget* dialog)>;

    ModalScript()
        : m_driven(QApplication::activeModalWidget())
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    void then(Step step) { m_steps.append(std::move(step)); }
    const QStringList& seen() const { return m_seen; }
    int pendingSteps() const { return int(m_steps.size()); }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_current || modal == m_driven || !modal->isVisible())
            return;
        m_current = modal;
        m_seen.append(QString::fromLatin1(modal->metaObject()->className()));
        if (m_steps.isEmpty()) {
            QMetaObject::invokeMethod(modal, "reject");
            return;
        }
        Step step = m_steps.takeFirst();
        step(modal);
    }

    QTimer m_timer;
    QList<Step> m_steps;
    QStringList m_seen;
    QPointer<QWidget> m_current;
    QPointer<QWidget> m_driven;
};

} // namespace pelmar::test
