#include "core/UserData.h"

namespace pelmar {

TUserData& PartnerData()
{
    static TUserData data;
    return data;
}

} // namespace pelmar
