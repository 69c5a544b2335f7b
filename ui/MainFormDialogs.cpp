// Handlers of the main window that open the settings dialogs, the about box,
// help and the web links.
#include "ui/MainForm.h"

namespace pelmar {

// Placeholder until the dialog lands
void MainForm::ShowPricesExecute()
{
}

// Placeholder until the dialog lands
void MainForm::UserDataExecute()
{
}

// Placeholder until the dialog lands
void MainForm::AboutExecute()
{
}

// Placeholder until the dialog lands
void MainForm::FormActivate()
{
}

// Placeholder until the dialog lands
void MainForm::ContentsExecute()
{
}

// Placeholder until the dialog lands
void MainForm::miWhatsNewClick()
{
}

// Placeholder until the dialog lands
void MainForm::miCheckVersionClick()
{
}

// Placeholder until the dialog lands
void MainForm::miJumpPelmarClick()
{
}

// Placeholder until the dialog lands
void MainForm::PelmarLogoClick()
{
}

} // namespace pelmar
