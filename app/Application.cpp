#include "app/Application.h"
#include "core/Texts.h"

#include "ui/AccentRoom.h"
#include "ui/Guard.h"
#include "ui/MessageBox.h"

#include <QIcon>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// The icons live in the window library's resources; a static library's
// resources are registered by hand, outside any namespace.
static void initProgramResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace pelmar {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    // Every label of every window, the dialogs' included, gets room for the
    // accents of the Hungarian capitals before it is first shown.
    if (event->type() == QEvent::Polish)
        if (auto* label = qobject_cast<QLabel*>(receiver))
            makeRoomForAccents(label);
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
    // No display name: Qt would append it to every window title under X11,
    // and the titles are exactly what each window says it is.
    QApplication::setApplicationName(kProgramName);
    initProgramResources();
    // Every window, dialogs and message boxes included, carries the
    // program's own icon, so the task bar does not show a generic one.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pelmarorder.svg")));
    QApplication::setOrganizationName(QStringLiteral("Dravik"));
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    auto* qtTranslator = new QTranslator(&app);
    if (qtTranslator->load(QLocale(QLocale::Hungarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTranslator);
}

} // namespace pelmar
