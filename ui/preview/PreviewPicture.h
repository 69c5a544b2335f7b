#pragma once

#include "platform/PictureDecoder.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

namespace pelmar {

// The picture of the one selected JPEG line. Its pixels are decoded by
// workers: loading only names the file, and the picture is empty until a
// worker has it (then changed() is sent). It is shown upright; size() is the
// upright size, storedSize() what the file's header says.
class PreviewPicture : public QObject
{
    Q_OBJECT
public:
    explicit PreviewPicture(PictureDecoder& decoder, QObject* parent = nullptr);

    // Names the picture to show. What the cache already holds is there at
    // once; for the rest a decode that covers box (device pixels) is asked for (none when box
    // is empty: the first drawing asks). Never reads the file on this thread.
    void load(const QString& path, QSize box = {});
    void clear();

    // Nothing to draw: no picture named, not decoded yet, or undecodable.
    bool isEmpty() const { return m_current.isNull(); }
    // A picture is named and a worker is still on it.
    bool isPending() const { return !m_path.isEmpty() && !m_failed && m_current.isNull(); }
    bool failed() const { return m_failed; }
    QSize size() const { return m_current.uprightSize(); }
    int width() const { return size().width(); }
    int height() const { return size().height(); }
    QSize storedSize() const { return m_current.storedSize; }
    int orientation() const { return m_current.orientation; }
    int denominator() const { return m_current.isNull() ? 0 : m_current.denominator; }
    const QString& path() const { return m_path; }

    // The picture for drawing into a box of this size (in device pixels): the cheapest decoded
    // one that covers it, else the finest there is for now (drawn scaled up
    // while the decode for this box is asked for). Null while there is none.
    QImage imageFor(QSize box);

signals:
    // The named picture arrived (or a finer one of it), or it failed.
    void changed();

private:
    void adopt(const DecodedPicture& picture);
    void onReady(const QString& path, const DecodedPicture& picture);
    void onFailed(const QString& path);

    PictureDecoder& m_decoder;
    QString m_path;
    DecodedPicture m_current;
    bool m_failed = false;
};

} // namespace pelmar
