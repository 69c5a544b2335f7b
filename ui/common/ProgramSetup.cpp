#include "ui/common/ProgramSetup.h"

#include "core/Texts.h"
#include "ui/common/AccentRoom.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

// The icons live in the window library's resources; a static library's
// resources are registered by hand, outside any namespace.
static void initProgramResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace pelmar {

namespace {

// Every picture of the program (tool bar, logo, window icon, the lines'
// status marks) is SVG, drawn by Qt's SVG plugins. Where they are missing
// the pictures are silently empty, and a line below the minimum loses its
// only sign; one line on standard error names what is missing.
void reportUndrawablePictures()
{
    QStringList undrawable;
    QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.svg")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(u":/qt-project.org/") && QIcon(path).pixmap(QSize(16, 16)).isNull())
            undrawable << path;
    }
    if (!undrawable.isEmpty())
        std::fprintf(stderr, "A program képei nem rajzolhatók ki (hiányzik a Qt SVG-bővítménye, libqt6svg6): %s\n",
                     qPrintable(undrawable.join(QStringLiteral(", "))));
}

} // namespace

void setUpApplication(QApplication& app)
{
    // No display name: Qt would append it to every window title under X11,
    // and the titles are exactly what each window says it is.
    QApplication::setApplicationName(kProgramName);
    initProgramResources();
    reportUndrawablePictures();
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
