#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Every test binary gets a QApplication (the GUI tests need one, the others do
// not mind) and keeps its settings and documents away from the real user's.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmar megrendelés"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
