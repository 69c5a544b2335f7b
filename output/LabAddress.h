#pragma once

#include <QString>

namespace pelmar {

// The lab's address as the lines of the final message of a build: town,
// street address, postal code.
struct LabAddress
{
    QString town;
    QString street;
    QString postalCode;
};

// Taken apart from the program's one record of the lab's address
// ("postal code town, street address").
LabAddress labAddress();
LabAddress splitLabAddress(const QString& address);

} // namespace pelmar
