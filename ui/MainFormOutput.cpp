// The main window's command that builds the order folder.
#include "ui/MainForm.h"

namespace pelmar {

// Placeholder until the dialog lands
void MainForm::OutputMegrExecute()
{
}

} // namespace pelmar
