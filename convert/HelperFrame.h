#pragma once

#include <QByteArray>
#include <QMap>

#include <optional>

namespace pelmar::convert {

// What the window's process and the pelmar-convert helper say to each other
// over the helper's standard input and output: one frame each way. A frame
// is "PMC1", the payload's length (4 bytes, little-endian), then fields, each
// a tag byte, its length (4 bytes, little-endian) and its bytes. The reader
// trusts nothing: a frame that is too long, cut short, or whose fields do
// not add up to its length is refused.
using Fields = QMap<quint8, QByteArray>;

inline constexpr qsizetype kMaxFrameBytes = 1 << 20;

// Tags of the request (window -> helper).
enum RequestTag : quint8 {
    ReqSource = 1, // the picture's path
    ReqOutput = 2, // where the JPEG goes (a new file)
    ReqMaxFileBytes = 3, // decimal
    ReqMaxSide = 4, // decimal
    ReqMaxPixels = 5, // decimal
};

// Tags of the answer (helper -> window).
enum AnswerTag : quint8 {
    AnsOk = 1, // "1" converted, "0" refused
    AnsMessage = 2, // UTF-8, why it was refused
    AnsWidth = 3, // decimal, the JPEG's
    AnsHeight = 4,
};

QByteArray encodeFrame(const Fields& fields);

struct Decoded
{
    Fields fields;
    qsizetype consumed = 0; // bytes of the input the frame took
};

// The frame at the start of data; nullopt while more bytes are needed.
// Throws std::runtime_error for bytes that can never become a frame.
std::optional<Decoded> decodeFrame(const QByteArray& data);

// A decimal field; fallback when it is missing or no number in 0..max.
qint64 numberField(const Fields& fields, quint8 tag, qint64 fallback, qint64 max);

} // namespace pelmar::convert
