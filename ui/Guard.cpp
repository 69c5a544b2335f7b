#include "ui/Guard.h"

#include "ui/MessageBox.h"

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
