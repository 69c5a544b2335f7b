// Phone pictures (HEIC/HEIF, AVIF, WebP, PNG): converted to JPEG by helper
// processes, then taken through the add run like any JPEG.
#include "ui/main/MainForm.h"

#include "convert/ConvertCache.h"
#include "core/DroppedFiles.h"
#include "platform/SettingsStore.h"
#include "ui/main/OpenPictureDialog.h"
#include "ui/main/PhoneBatch.h"

#include <QFileInfo>
#include <QSet>

namespace pelmar {

PhoneBatch& MainForm::phoneBatch()
{
    if (!m_phone) {
        // Beside the settings the window was given (tests), else the
        // program's own cache folder.
        const QString folder = m_settingsPath == SettingsStore::defaultDatabasePath()
            ? convert::ConvertCache::defaultFolder()
            : QFileInfo(m_settingsPath).absolutePath() + QStringLiteral("/converted");
        m_phone = std::make_unique<PhoneBatch>(this, folder);
    }
    return *m_phone;
}

bool MainForm::phoneBatchRunning() const
{
    return m_phone && m_phone->running();
}

void MainForm::AddPhonePicExecute()
{
    if (m_addRunning)
        return;
    addAnyPictures(m_chooser ? m_chooser() : ChoosePictures(this, PictureKinds::Phone));
}

void MainForm::addAnyPictures(const QStringList& files)
{
    if (m_addRunning || files.isEmpty())
        return;
    bool convert = false;
    for (const QString& f : files)
        convert = convert || convert::NeedsConversion(QFileInfo(f).fileName());
    if (!convert) {
        addPictures(files);
        return;
    }
    // Nothing else may start meanwhile; the progress dialog holds the
    // window, but outside hand-overs and timers still look at this.
    m_addRunning = true;
    setOrderCommandsEnabled(false);
    phoneBatch().start(files, [this](const QList<AddItem>& items) {
        m_addRunning = false;
        setOrderCommandsEnabled(true);
        guarded([&] { addItems(items); });
        prunePhoneCache();
        // What the journal held back meanwhile.
        orderChanged();
    });
}

void MainForm::prunePhoneCache()
{
    if (phoneBatchRunning())
        return;
    QSet<QString> used;
    for (const OrderLine& l : m_order.lines())
        if (!l.source.isEmpty())
            used.insert(l.path());
    phoneBatch().prune(used);
}

} // namespace pelmar
