#pragma once

#include "core/PriceData.h"

#include <QString>

namespace pelmar {

// Status codes of the picture check; also the line's status icon index.
enum PictureStatus : int {
    StatusRefused = -1,
    StatusAccepted = 0,
    StatusBelowMinimum = 2,
};

struct CheckResult
{
    int status = StatusRefused;
    QString resolution; // "HxW", "Ismeretlen" for TIFF, empty when refused
    QString info; // message shown for the line; may contain '\n'
};

// Files under this many bytes are refused when pictures are added.
inline constexpr qint64 kMinPictureBytes = 51200;

// Size of the file in bytes, measured by opening it for reading. Throws
// AppError with the runtime's text ("File not found", "File access denied",
// "I/O error %d") when the file cannot be opened or measured.
qint64 GetFileSize(const QString& fullPath);

// The size rule message for a too small file, name without its folder.
QString SizeRuleMessage(const QString& fileName);

// Decides whether the lab accepts the file for the entry's MinRes. Reads at
// most the JPEG header; never throws, never changes the file.
CheckResult CheckPicture(const QString& fullPath, const TPriceData& entry);

// The file name of a full path: the text after the last "/".
QString FileNameOf(const QString& fullPath);

} // namespace pelmar
