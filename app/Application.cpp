#include "app/Application.h"

#include "platform/Guard.h"
#include "platform/MessageBox.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Pelmar megrendelés"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pelmar megrendelés"));
    QApplication::setOrganizationName(QStringLiteral("Dravik"));
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    auto* qtTranslator = new QTranslator(&app);
    if (qtTranslator->load(QLocale(QLocale::Hungarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTranslator);
}

} // namespace pelmar
