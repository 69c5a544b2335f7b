#include "app/Application.h"

#include "ui/common/Guard.h"
#include "ui/common/MessageBox.h"

namespace pelmar {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        MessageBox::generalError(nullptr, failureText(e));
    } catch (...) {
        MessageBox::generalError(nullptr, QStringLiteral("Ismeretlen hiba"));
    }
    return false;
}

} // namespace pelmar
