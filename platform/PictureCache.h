#pragma once

#include "platform/PictureOrientation.h"

#include <QHash>
#include <QImage>
#include <QMetaType>
#include <QSize>
#include <QString>

#include <list>

namespace pelmar {

// A picture decoded for showing: upright, at 1/denominator of its stored
// size, with what the file's header and EXIF block said about it.
struct DecodedPicture
{
    QImage image;
    QSize storedSize; // width and height in the file's header
    int orientation = 1;
    int denominator = 1;

    bool isNull() const { return image.isNull(); }
    QSize uprightSize() const { return exif::uprightSize(storedSize, orientation); }
};

} // namespace pelmar

Q_DECLARE_METATYPE(pelmar::DecodedPicture)

namespace pelmar {

// Decoded pictures by key, bounded by the bytes of their pixels: inserting
// past the bound drops the least recently used. A picture larger than the
// whole bound is not kept at all. Used from one thread only.
class PictureCache
{
public:
    explicit PictureCache(qint64 maxBytes);

    // Replaces what the key held; the key becomes the most recently used.
    void insert(const QString& key, const DecodedPicture& picture);
    // The picture under key (null when absent); a hit becomes the most
    // recently used.
    DecodedPicture find(const QString& key);
    // The same without changing the order (null when absent).
    const DecodedPicture* peek(const QString& key) const;
    bool contains(const QString& key) const { return m_index.contains(key); }
    void remove(const QString& key);
    void clear();

    qint64 bytes() const { return m_bytes; }
    qint64 maxBytes() const { return m_maxBytes; }
    int count() const { return int(m_index.size()); }

    static qint64 costOf(const DecodedPicture& picture) { return picture.image.sizeInBytes(); }

private:
    struct Entry
    {
        QString key;
        DecodedPicture picture;
    };
    using List = std::list<Entry>;

    qint64 m_maxBytes;
    qint64 m_bytes = 0;
    List m_items; // most recently used first
    QHash<QString, List::iterator> m_index;
};

} // namespace pelmar
