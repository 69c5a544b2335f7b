#include "platform/Guard.h"

#include "platform/AppError.h"
#include "platform/MessageBox.h"

namespace pelmar {

QString failureText(const std::exception& e)
{
    if (auto app = dynamic_cast<const AppError*>(&e))
        return app->message();
    return QString::fromUtf8(e.what());
}

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
