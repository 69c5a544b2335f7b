#include "app/Application.h"
#include "ui/MainForm.h"
#include "ui/PreviewForm.h"
#include "ui/help/Help.h"

int main(int argc, char** argv)
{
    pelmar::Application app(argc, argv);
    // Title and Qt's Hungarian translation first, then the main window and
    // the hidden preview window, in this order.
    pelmar::setUpApplication(app);
    pelmar::MainForm mainForm;
    auto* previewForm = new pelmar::TPreviewForm(&mainForm, mainForm.showCrop());
    mainForm.setPreviewForm(previewForm);
    previewForm->hide();
    mainForm.show();
    const int status = app.exec();
    // The help window goes with the main window; the main window writes the
    // settings when it is destroyed, right after.
    pelmar::Help::closeWindow();
    return status;
}
