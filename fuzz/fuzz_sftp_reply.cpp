// Arbitrary bytes as what the lab's server, or the partner, hands the send:
// a folder listing, the server address, a host key fingerprint, a line of a
// checksum file, a key file. The first byte picks the reader; none may
// crash, and what they accept must hold what the send relies on.
#include "ScratchFile.h"
#include "delivery/LabConnection.h"
#include "delivery/OrderSend.h"
#include "delivery/SftpSession.h"
#include "delivery/SshKeyPair.h"

#include <QByteArray>
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
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 5) {
    case 0:
        for (const pelmar::SftpEntry& e : pelmar::parseListing(bytes)) {
            if (e.name.isEmpty() || e.name == QLatin1String(".") || e.name == QLatin1String("..") || e.size < 0
                || (e.isDirectory && e.isRegular))
                std::abort();
        }
        break;
    case 1:
        if (auto c = pelmar::parseSftpUrl(QString::fromUtf8(bytes))) {
            if (c->host.isEmpty() || c->user.isEmpty() || c->remoteFolder.isEmpty() || c->port < 1 || c->port > 65535)
                std::abort();
            // What the settings dialog shows must read back the same.
            auto again = pelmar::parseSftpUrl(c->url());
            if (!again || again->remoteFolder != c->remoteFolder || again->user != c->user || again->port != c->port)
                std::abort();
        }
        break;
    case 2:
        if (auto f = pelmar::normalizeHostKeyFingerprint(QString::fromUtf8(bytes))) {
            if (f->size() != 50 || pelmar::normalizeHostKeyFingerprint(*f) != *f)
                std::abort();
        }
        break;
    case 3:
        if (auto line = pelmar::parseChecksumLine(bytes)) {
            if (line->sha256Hex.size() != 64 || line->path.isEmpty())
                std::abort();
        }
        break;
    default: {
        fuzz::ScratchFile file(data + 1, size - 1, "");
        const pelmar::KeyPairResult r = pelmar::publicKeyOf(QString::fromStdString(file.path()));
        if (r.ok != r.error.isEmpty() || r.ok == r.publicKey.isEmpty())
            std::abort();
        break;
    }
    }
    return 0;
}
