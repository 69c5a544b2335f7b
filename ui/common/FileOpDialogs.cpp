#include "ui/common/FileOpDialogs.h"

#include "ui/common/MessageBox.h"

#include <QApplication>
#include <QProgressDialog>

namespace pelmar {

FileOpDialogs::FileOpDialogs(QWidget* owner)
    : QObject(owner)
    , m_owner(owner)
{
}

FileOpDialogs::~FileOpDialogs() = default;

bool FileOpDialogs::confirm(const QString& question)
{
    return MessageBox::confirm(m_owner, question) == MessageAnswer::Yes;
}

void FileOpDialogs::progressStarted(const QString& title, int count)
{
    QWidget* parent = m_owner ? m_owner->window() : QApplication::activeWindow();
    m_progress = std::make_unique<QProgressDialog>(parent);
    m_progress->setWindowTitle(title);
    m_progress->setRange(0, count);
    m_progress->setMinimumDuration(2000);
    m_progress->setCancelButtonText(QStringLiteral("Mégse"));
    m_progress->setWindowModality(Qt::WindowModal);
}

bool FileOpDialogs::progressStep(int index, const QString& name)
{
    if (!m_progress)
        return true;
    if (!name.isEmpty())
        m_progress->setLabelText(name);
    m_progress->setValue(index);
    return !m_progress->wasCanceled();
}

void FileOpDialogs::progressEnded()
{
    if (m_progress)
        m_progress->setValue(m_progress->maximum());
    m_progress.reset();
}

} // namespace pelmar
