#include "ui/common/Guard.h"

#include "ui/common/MessageBox.h"

namespace pelmar {

bool runGuarded(QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        MessageBox::generalError(parent, failureText(e));
    } catch (...) {
        MessageBox::generalError(parent, QStringLiteral("Ismeretlen hiba"));
    }
    return false;
}

} // namespace pelmar
