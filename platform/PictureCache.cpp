#include "platform/PictureCache.h"

namespace pelmar {

PictureCache::PictureCache(qint64 maxBytes)
    : m_maxBytes(maxBytes)
{
}

void PictureCache::insert(const QString& key, const DecodedPicture& picture)
{
    remove(key);
    const qint64 cost = costOf(picture);
    if (picture.isNull() || cost > m_maxBytes)
        return;
    while (!m_items.empty() && m_bytes + cost > m_maxBytes) {
        m_bytes -= costOf(m_items.back().picture);
        m_index.remove(m_items.back().key);
        m_items.pop_back();
    }
    m_items.push_front(Entry {key, picture});
    m_index.insert(key, m_items.begin());
    m_bytes += cost;
}

DecodedPicture PictureCache::find(const QString& key)
{
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return {};
    m_items.splice(m_items.begin(), m_items, it.value());
    return it.value()->picture;
}

const DecodedPicture* PictureCache::peek(const QString& key) const
{
    const auto it = m_index.find(key);
    return it == m_index.end() ? nullptr : &it.value()->picture;
}

void PictureCache::remove(const QString& key)
{
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return;
    m_bytes -= costOf(it.value()->picture);
    m_items.erase(it.value());
    m_index.erase(it);
}

void PictureCache::clear()
{
    m_items.clear();
    m_index.clear();
    m_bytes = 0;
}

} // namespace pelmar
