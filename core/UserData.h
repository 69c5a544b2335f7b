#pragma once

#include <QString>

namespace pelmar {

// The partner's own data; one instance for the whole run.
struct TUserData
{
    qint32 UserID = 0; // shop number, 0 while none was given
    QString UserName;
    QString UserIrsz; // postal code
    QString UserHelys; // town
    QString UserCim; // street address
    QString UserTelefon;

    bool operator==(const TUserData&) const = default;
};

// The program-wide partner record, shared by every window.
TUserData& PartnerData();

} // namespace pelmar
