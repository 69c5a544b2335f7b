#include "app/Application.h"
#include "app/SingleInstance.h"
#include "core/NativePath.h"
#include "platform/SettingsStore.h"
#include "ui/help/Help.h"
#include "ui/main/MainForm.h"
#include "ui/preview/PreviewForm.h"

#include <cstdio>

// pelmarorder [FILE|FOLDER]...
int main(int argc, char** argv)
{
    // Qt would abort with a message about its platform plugin.
    if (!pelmar::displayAvailable()) {
        std::fputs("A Pelmar megrendelés grafikus asztali környezetben fut, de nincs elérhető kijelző.\n", stderr);
        return 1;
    }
    pelmar::prepareWindowSystem();
    pelmar::Application app(argc, argv);
    // Title and Qt's Hungarian translation first, then the main window and
    // the hidden preview window, in this order.
    pelmar::setUpApplication(app);
    // Qt has taken its own options out of argv. The names are read byte for
    // byte: a picture whose name is no UTF-8 must still be found.
    QStringList files;
    for (int i = 1; i < argc; ++i)
        files.append(pelmar::PathFromNative(argv[i]));

    pelmar::SingleInstance instance(pelmar::SettingsStore::defaultDatabasePath());
    if (!instance.becomePrimary()) {
        if (instance.handOver(files, qEnvironmentVariable("XDG_ACTIVATION_TOKEN")))
            return 0;
        std::fputs("A Pelmar megrendelés már fut, de nem válaszol.\n", stderr);
        return 1;
    }
    if (instance.alone())
        std::fputs("A Pelmar megrendelés nem talált csak a felhasználó számára hozzáférhető mappát a futó példány "
                   "jelzéséhez, ezért egy második indítás új ablakot nyit.\n",
                   stderr);

    pelmar::MainForm mainForm;
    auto* previewForm = new pelmar::TPreviewForm(&mainForm, mainForm.showCrop());
    mainForm.setPreviewForm(previewForm);
    previewForm->hide();
    QObject::connect(&instance, &pelmar::SingleInstance::filesReceived, &mainForm,
                     [&mainForm](const QStringList& paths, const QString& token) {
                         // A Wayland compositor brings a window to the front
                         // only for the launcher's token of the later start;
                         // Qt's Wayland client takes the one in the
                         // environment at the next activation. X11 has none.
                         if (!token.isEmpty() && QGuiApplication::platformName().startsWith(u"wayland"))
                             qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
                         if (mainForm.isMinimized())
                             mainForm.showNormal();
                         mainForm.raise();
                         mainForm.activateWindow();
                         mainForm.addPicturesFromOutside(paths);
                     });
    mainForm.addPicturesFromOutside(files);
    mainForm.show();
    const int status = app.exec();
    // The help window goes with the main window; the main window writes the
    // settings when it is destroyed, right after.
    pelmar::Help::closeWindow();
    return status;
}
