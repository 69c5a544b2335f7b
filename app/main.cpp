#include "app/Application.h"

#include <QMainWindow>
#include <QScreen>

int main(int argc, char** argv)
{
    pelmar::Application app(argc, argv);
    pelmar::setUpApplication(app);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Pelmar digitális fotórendelés"));
    window.resize(800, 540);
    window.show();
    return app.exec();
}
