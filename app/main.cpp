#include "app/Application.h"
#include "ui/MainForm.h"
#include "ui/PreviewForm.h"

int main(int argc, char** argv)
{
    pelmar::Application app(argc, argv);
    // Title and Qt's Hungarian translation first, then the main window and
    // the hidden preview window, in this order.
    pelmar::setUpApplication(app);
    pelmar::MainForm mainForm;
    auto* previewForm = new pelmar::TPreviewForm(&mainForm);
    previewForm->hide();
    mainForm.show();
    return app.exec();
}
