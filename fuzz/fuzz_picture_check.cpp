// Arbitrary bytes as the content of a picture file named .jpg, through the
// whole picture check: the size rule and the header read.
#include "core/PictureCheck.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& scratchFile()
{
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp") + "/pelmar-fuzz-" + std::to_string(::getpid()) + ".jpg";
    }();
    return path;
}

struct RemoveAtExit
{
    ~RemoveAtExit() { std::remove(scratchFile().c_str()); }
} removeAtExit;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = scratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);

    const QString qpath = QString::fromStdString(path);
    if (pelmar::GetFileSize(qpath) != qint64(size))
        std::abort();
    const pelmar::TPriceData entry { QStringLiteral("10x15"), 100, QString(), QStringLiteral("1000x1500") };
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
