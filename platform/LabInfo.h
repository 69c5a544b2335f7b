#pragma once

#include <QString>

// Everything this program knows about the lab that issues it and about its own
// version, kept in one place so a new release or a move of the lab's web site
// is a change of one file.
namespace pelmar::LabInfo {

// The version text the lab's version file is compared with, byte for byte.
inline constexpr char kProgramVersion[] = "1.10";

// The lab's web server: the version file, the three web links, the about box
// and the new-version message all point here.
inline constexpr char kWebHost[] = "www.pelmar.hu";

// Path of the version file on the lab's web server.
inline constexpr char kVersionPath[] = "/pelmarorderver.txt";

// Path of the page about digital photo processing.
inline constexpr char kDigitalPath[] = "/fotokidolgozas.html";

// The lab as it appears on the envelope of the CD.
inline constexpr char kLabName[] = "Pelmar Fotólabor Kft.";
inline constexpr char kLabAddress[] = "1134 Budapest, Váci út 45.";

// The maker's legal notice in the about box.
inline constexpr char kLegalNotice[] = "© 2003-2026 Pelmar Fotólabor Kft. Minden jog fenntartva.";

inline QString homeUrl()
{
    return QStringLiteral("http://") + QString::fromUtf8(kWebHost) + QLatin1Char('/');
}

inline QString digitalUrl()
{
    return QStringLiteral("http://") + QString::fromUtf8(kWebHost) + QString::fromUtf8(kDigitalPath);
}

inline QString versionUrl()
{
    return QStringLiteral("http://") + QString::fromUtf8(kWebHost) + QString::fromUtf8(kVersionPath);
}

// The site address as the new-version message names it.
inline QString siteAddress()
{
    return QString::fromUtf8(kWebHost);
}

} // namespace pelmar::LabInfo
