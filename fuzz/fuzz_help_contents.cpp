// Arbitrary bytes as the contents file (.hhc) of the help: every entry read
// has a name and a depth that the tree can place, and a page's text decodes.
#include "platform/HelpFile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<pelmar::HelpContentsEntry> entries = pelmar::parseHelpContents(bytes);
    for (const pelmar::HelpContentsEntry& e : entries) {
        if (e.name.isEmpty() || e.depth < 0 || qsizetype(e.depth) > bytes.size())
            std::abort();
    }
    // Each entry comes from one <object> tag of its own.
    if (entries.size() > bytes.size() / 8 + 1)
        std::abort();
    // Nothing but UTF-8's byte order mark is an empty page, rightly.
    const QString text = pelmar::decodeHelpText(bytes);
    if (!bytes.isEmpty() && bytes != "\xEF\xBB\xBF" && text.isEmpty())
        std::abort();
    return 0;
}
