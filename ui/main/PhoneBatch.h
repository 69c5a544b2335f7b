#pragma once

#include "convert/ConvertCache.h"
#include "convert/ConvertQueue.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>

class QProgressDialog;
class QWidget;

namespace pelmar {

// One file of an add run: the file the rules judge, the original it was
// converted from (empty for a JPEG or TIFF taken as it is), or why it
// could not be converted (the add run shows that in its place).
struct AddItem
{
    QString path;
    QString source;
    QString refusal;
};

// Converts a batch of phone pictures to JPEG before the add run, on helper
// processes, with a progress dialog (window-modal, with "Mégse") over the
// main window; the window's thread never waits for a conversion. A picture
// converted before (same path, size and time) is taken from the cache.
class PhoneBatch : public QObject
{
    Q_OBJECT
public:
    PhoneBatch(QWidget* window, const QString& cacheFolder);
    ~PhoneBatch() override;

    using Done = std::function<void(const QList<AddItem>&)>;
    // Converts those of files that need it and then calls done once, with
    // every file in its order; after "Mégse" those not yet converted are
    // empty items. Nothing to convert: done at once.
    void start(const QStringList& files, Done done);
    bool running() const { return bool(m_done); }
    void cancel();

    // Removes the converted pictures that none of paths is.
    void prune(const QSet<QString>& paths);
    const convert::ConvertCache& cache() const { return m_cache; }
    void setHelper(const QString& helper);

    static QString refusalText(const QString& source, const QString& reason);

private:
    void converted(int id, bool ok, const QString& message);
    void step();
    void scheduleStep();
    void finish();

    QWidget* m_window;
    convert::ConvertCache m_cache;
    convert::ConvertQueue m_queue;
    QList<AddItem> m_items;
    QList<bool> m_waiting;
    QStringList m_parts;
    QStringList m_targets;
    int m_toConvert = 0;
    int m_converted = 0;
    bool m_cancelled = false;
    bool m_stepScheduled = false;
    bool m_inStep = false;
    Done m_done;
    QPointer<QProgressDialog> m_progress;
};

} // namespace pelmar
