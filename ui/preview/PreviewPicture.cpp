#include "ui/preview/PreviewPicture.h"

namespace pelmar {

PreviewPicture::PreviewPicture(PictureDecoder& decoder, QObject* parent)
    : QObject(parent)
    , m_decoder(decoder)
{
    connect(&decoder, &PictureDecoder::pictureReady, this, &PreviewPicture::onReady);
    connect(&decoder, &PictureDecoder::pictureFailed, this, [this](const QString& path) { onFailed(path); });
}

void PreviewPicture::load(const QString& path, QSize box)
{
    if (path != m_path) {
        clear();
        m_path = path;
    }
    // Selected again after a failure: the file may be back.
    m_failed = false;
    if (m_path.isEmpty() || box.isEmpty())
        return;
    imageFor(box);
}

void PreviewPicture::clear()
{
    // Decodes asked for the former selection and not started are not needed.
    if (!m_path.isEmpty())
        m_decoder.dropQueued(PictureDecoder::Shown);
    m_path.clear();
    m_current = {};
    m_failed = false;
}

QImage PreviewPicture::imageFor(QSize box)
{
    if (m_path.isEmpty())
        return {};
    bool covers = false;
    const DecodedPicture cached = m_decoder.cached(m_path, box, &covers);
    if (covers) {
        if (m_current.isNull())
            m_current = cached;
        return cached.image;
    }
    adopt(cached);
    if (!m_failed && !m_decoder.covers(m_current, box)) {
        // A window being resized asks for size after size: only the last
        // one not yet started is worth decoding.
        m_decoder.dropQueued(PictureDecoder::Shown);
        m_decoder.request(m_path, box, PictureDecoder::Shown);
    }
    return m_current.image;
}

void PreviewPicture::adopt(const DecodedPicture& picture)
{
    // A finer picture replaces a coarser one, never the other way round.
    if (!picture.isNull() && (m_current.isNull() || picture.denominator < m_current.denominator))
        m_current = picture;
}

void PreviewPicture::onReady(const QString& path, const DecodedPicture& picture)
{
    // A picture of a former selection is never shown.
    if (path != m_path)
        return;
    adopt(picture);
    emit changed();
}

void PreviewPicture::onFailed(const QString& path)
{
    if (path != m_path)
        return;
    m_failed = true;
    emit changed();
}

} // namespace pelmar
