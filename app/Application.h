#pragma once

#include "ui/common/ProgramSetup.h"

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

} // namespace pelmar
