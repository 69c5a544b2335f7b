#include "ui/common/ProgramSetup.h"

#include "core/Texts.h"
#include "ui/common/AccentRoom.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QStyle>
#include <QTranslator>

#include <wayland-client.h>

#include <cstdio>
#include <cstring>

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

// True when the compositor of WAYLAND_DISPLAY answers and offers no seat.
bool waylandWithoutSeat()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return false;
    bool seat = false;
    static const wl_registry_listener listener {
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, "wl_seat") == 0)
                *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &seat);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return answered && !seat;
}

} // namespace

void prepareWindowSystem()
{
    // A WAYLAND_SOCKET is a connection handed to this process, usable once:
    // Qt's.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")
        || !qEnvironmentVariableIsEmpty("QT_IM_MODULE") || (!platform.isEmpty() && !platform.startsWith("wayland")))
        return;
    if (waylandWithoutSeat())
        qputenv("QT_IM_MODULE", "compose");
}

namespace {

// The style in use, with the message boxes' icons drawn from the program's
// own SVG pictures: the style's are 32-pixel bitmaps where no icon theme
// has them, blurred on a screen at 1.5x or 2x; an SVG is drawn at the
// device's pixels.
class ProgramStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const override
    {
        if (const char* name = messageIcon(which))
            return QIcon(QStringLiteral(":/messagebox/%1.svg").arg(QLatin1String(name)));
        return QProxyStyle::standardIcon(which, option, widget);
    }

    static const char* messageIcon(StandardPixmap which)
    {
        switch (which) {
        case SP_MessageBoxCritical:
            return "critical";
        case SP_MessageBoxInformation:
            return "information";
        case SP_MessageBoxQuestion:
            return "question";
        case SP_MessageBoxWarning:
            return "warning";
        default:
            return nullptr;
        }
    }
};

} // namespace

void setUpApplication(QApplication& app)
{
    // No display name: Qt would append it to every window title under X11,
    // and the titles are exactly what each window says it is.
    QApplication::setApplicationName(kProgramName);
    // The desktop entry's name: a Wayland compositor finds the program's
    // name and icon by it, and an activation token names it.
    QApplication::setDesktopFileName(QStringLiteral("pelmarorder"));
    initProgramResources();
    reportUndrawablePictures();
    // Every window, dialogs and message boxes included, carries the
    // program's own icon, so the task bar does not show a generic one.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pelmarorder.svg")));
    installAccentRoom();
    QApplication::setStyle(new ProgramStyle(QApplication::style()->name()));
    QApplication::setOrganizationName(QStringLiteral("Dravik"));
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    auto* qtTranslator = new QTranslator(&app);
    if (qtTranslator->load(QLocale(QLocale::Hungarian), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTranslator);
}

} // namespace pelmar
