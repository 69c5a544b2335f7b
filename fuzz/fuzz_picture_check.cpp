// Arbitrary bytes as the content of a picture file named .jpg, through the
// whole picture check: the size rule and the header read.
#include "ScratchFile.h"
#include "core/PictureCheck.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ScratchFile::prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::ScratchFile file(data, size, ".jpg");
    const QString qpath = QString::fromStdString(file.path());
    if (pelmar::GetFileSize(qpath) != qint64(size))
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
