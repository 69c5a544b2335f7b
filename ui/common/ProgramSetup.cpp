#include "ui/common/ProgramSetup.h"

#include "core/Texts.h"
#include "ui/common/AccentRoom.h"

#include <QApplication>
#include <QIcon>
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

void setUpApplication(QApplication& app)
{
    // No display name: Qt would append it to every window title under X11,
    // and the titles are exactly what each window says it is.
    QApplication::setApplicationName(kProgramName);
    initProgramResources();
    // Every window, dialogs and message boxes included, carries the
    // program's own icon, so the task bar does not show a generic one.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pelmarorder.svg")));
    installAccentRoom();
    QApplication::setOrganizationName(QStringLiteral("Dravik"));
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    auto* qtTranslator = new QTranslator(&app);
    if (qtTranslator->load(QLocale(QLocale::Hungarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTranslator);
}

} // namespace pelmar
