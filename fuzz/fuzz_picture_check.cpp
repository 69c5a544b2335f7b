// Arbitrary bytes as the content of a picture file, through the whole
// picture check: the size rule and the header read. The first byte picks the
// file's name ending (a JPEG, a TIFF, the other kinds the check knows, one it
// does not), as the check judges a file by its name first.
#include "ScratchFile.h"
#include "core/PictureCheck.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

// Indexed by the low four bits of the first byte; make_seeds writes seeds
// with the same table.
constexpr const char* kSuffixes[16] = {".jpg", ".jpeg", ".JPG", ".JpEg", ".tif", ".tiff", ".TIF", ".bmp",
                                       ".dib", ".ico",  ".gif", ".emf",  ".wmf", ".png",  "",     ".jp"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ScratchFile::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const fuzz::ScratchFile file(data + 1, size - 1, kSuffixes[data[0] & 15]);
    const QString qpath = QString::fromStdString(file.path());
    if (pelmar::GetFileSize(qpath) != qint64(size - 1))
        std::abort();
    const pelmar::TPriceData entry {QStringLiteral("10x15"), 100, QString(), QStringLiteral("1000x1500")};
    const pelmar::CheckResult r = pelmar::CheckPicture(qpath, entry);
    // Every outcome is one of the three codes, with a message; a refusal
    // never claims a resolution.
    if (r.status != -1 && r.status != 0 && r.status != 2)
        std::abort();
    if (r.info.isEmpty())
        std::abort();
    if (r.status == -1 && !r.resolution.isEmpty())
        std::abort();
    return 0;
}
