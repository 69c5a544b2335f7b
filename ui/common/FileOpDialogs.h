#pragma once

#include "output/FileOp.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QProgressDialog;
class QWidget;

namespace pelmar {

// The file operation's questions as the program's message boxes ("Kérdés"
// with "&Igen"/"&Nem"; only Yes agrees) and its progress as a window-modal
// progress window over `owner` that appears once a run takes two seconds.
// A child of `owner`, so it lives as long as the window that uses it.
class FileOpDialogs : public QObject, public FileOpPrompt
{
    Q_OBJECT
public:
    explicit FileOpDialogs(QWidget* owner);
    ~FileOpDialogs() override;

    bool confirm(const QString& question) override;
    void progressStarted(const QString& title, int count) override;
    bool progressStep(int index, const QString& name) override;
    void progressEnded() override;

    // The open progress window, for tests; null outside a run.
    QProgressDialog* progressWindow() const { return m_progress.get(); }

private:
    QPointer<QWidget> m_owner;
    std::unique_ptr<QProgressDialog> m_progress;
};

} // namespace pelmar
