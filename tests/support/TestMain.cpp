#include <QStandardPaths>
#include <gtest/gtest.h>

#ifdef PELMAR_TEST_WIDGETS
#include "ui/common/ProgramSetup.h"

#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

// Every test binary gets the application object its layer needs (a
// QApplication only for the window tests) and keeps its settings and
// documents away from the real user's.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
#ifdef PELMAR_TEST_WIDGETS
    // As the program starts: the windows' tests also run on Wayland.
    pelmar::prepareWindowSystem();
#endif
    TestApplication app(argc, argv);
    TestApplication::setApplicationName(QStringLiteral("Pelmar megrendelés"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
