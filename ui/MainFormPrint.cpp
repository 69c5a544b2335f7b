// The main window's command that previews and prints the order.
#include "ui/MainForm.h"

namespace pelmar {

// Placeholder until the dialog lands
void MainForm::PrintMegrExecute()
{
}

} // namespace pelmar
