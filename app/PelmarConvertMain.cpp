// pelmar-convert: converts one phone picture (HEIC/HEIF, AVIF, WebP, PNG) to
// the JPEG the lab prints. The order window starts one per picture under
// limits, so a decoder that crashes, hangs or eats memory takes only this
// process down. It reads one request frame on standard input and writes one
// answer frame on standard output; it opens no window and links no widgets.
#include "convert/ConvertFile.h"
#include "convert/HelperFrame.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

using namespace pelmar::convert;

namespace {

QByteArray readRequest()
{
    QByteArray in;
    char buffer[8192];
    for (;;) {
        if (const auto frame = decodeFrame(in))
            return frame->fields.isEmpty() ? QByteArray() : in.left(frame->consumed);
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("request cut short");
        in.append(buffer, n);
    }
}

bool writeAll(const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

int main()
{
    std::signal(SIGPIPE, SIG_IGN);
    Fields request;
    try {
        request = decodeFrame(readRequest())->fields;
    } catch (const std::exception&) {
        return 2;
    }
    const QByteArray source = request.value(ReqSource);
    const QByteArray output = request.value(ReqOutput);
    if (source.isEmpty() || output.isEmpty() || source.contains('\0') || output.contains('\0'))
        return 2;
    PictureLimits limits;
    limits.maxFileBytes = numberField(request, ReqMaxFileBytes, limits.maxFileBytes, limits.maxFileBytes);
    limits.maxSide = int(numberField(request, ReqMaxSide, limits.maxSide, limits.maxSide));
    limits.maxPixels = numberField(request, ReqMaxPixels, limits.maxPixels, limits.maxPixels);

    Fields answer;
    try {
        const Converted c = convertFile(source.toStdString(), output.toStdString(), limits);
        answer.insert(AnsOk, "1");
        answer.insert(AnsWidth, QByteArray::number(c.width));
        answer.insert(AnsHeight, QByteArray::number(c.height));
    } catch (const ConvertError& e) {
        answer.insert(AnsOk, "0");
        answer.insert(AnsMessage, QByteArray(e.what()));
    } catch (const std::bad_alloc&) {
        ::unlink(output.constData());
        answer.insert(AnsOk, "0");
        answer.insert(AnsMessage, QByteArrayLiteral("Nincs elég memória a kép átalakításához."));
    }
    return writeAll(encodeFrame(answer)) ? 0 : 1;
}
