#pragma once

#include <QApplication>

namespace pelmar {

// The program's QApplication: no exception may cross Qt's event loop, so every
// event delivery is guarded and a failure shows the general error box.
class Application : public QApplication
{
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Application title, Qt's Hungarian translation of its own dialogs, the
// program's look. Called once before any window is made.
void setUpApplication(QApplication& app);

} // namespace pelmar
