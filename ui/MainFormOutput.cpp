// The main window's command that builds the order folder.
#include "core/Texts.h"
#include "ui/MainForm.h"

#include "core/UserData.h"
#include "ui/MessageBox.h"
#include "ui/order/SaveMegrForm.h"

#include <memory>

namespace pelmar {

void MainForm::OutputMegrExecute()
{
    if (m_order.isEmpty()) {
        MessageBox::error(this, kEmptyOrderText);
        return;
    }
    // Created for this use only and released however the command ends.
    auto dialog = std::make_unique<TSaveMegrForm>(this, m_order, PartnerData(), m_settings.settingValues);
    if (dialog->sizeRows().isEmpty()) {
        MessageBox::error(this, kEmptyOrderText);
        return;
    }
    if (dialog->exec() == QDialog::Accepted)
        clearOrder();
}

} // namespace pelmar
