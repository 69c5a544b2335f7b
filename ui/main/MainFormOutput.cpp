// The main window's commands that build the order folder and write a built
// one onto a disc.
#include "core/Texts.h"
#include "ui/main/MainForm.h"

#include "core/UserData.h"
#include "delivery/OrderFolder.h"
#include "output/OrderNames.h"
#include "ui/common/MessageBox.h"
#include "ui/delivery/LabSending.h"
#include "ui/disc/DiscWriteDialog.h"
#include "ui/order/BrowseForFolderDialog.h"
#include "ui/order/SaveMegrForm.h"

#include <QDir>
#include <QFileInfo>
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
    const int result = dialog->exec();
    // After the build's last box ("Nem" to the disc) the dialog closes
    // before the window manager has handed the focus back to it, and then
    // no window would be active: the shortcuts would wait for a click.
    activateWindow();
    if (result == QDialog::Accepted) {
        m_settings.lastOrderFolder = dialog->builtFolder();
        clearOrder();
    }
}

// A folder that an earlier build made, picked with the folder picker (the
// last build's folder preselected); empty when cancelled or when the folder
// is no order folder (said in a box).
QString MainForm::pickBuiltOrderFolder(const QString& title)
{
    TBrowseForFolderDialog picker(this);
    picker.setSystemFolder(sfDesktop);
    picker.setTitle(title);
    picker.setOptions(bfReturnOnlyFSDirs | bfEditBox | bfNewStyle);
    // Before the first build, or once that folder has been moved away, the
    // picker starts where the order dialog builds by default.
    const QString last = m_settings.lastOrderFolder;
    const QString start = !last.isEmpty() && QFileInfo(last).isDir() ? last : DocumentsFolder();
    picker.OnInitialized = [start](TBrowseForFolderDialog* sender, QWidget*) { sender->SelectPath(start); };
    if (!picker.Execute())
        return {};

    // Only a folder exactly as a finished build left it goes onto a disc or
    // to the lab.
    const QString folder = picker.SelectedPath();
    if (const auto problem = incompleteOrderFolderReason(folder)) {
        MessageBox::error(
            this,
            QStringLiteral("A kiválasztott mappa nem megrendelés-mappa:\n\n%1\n\nA hiba oka: %2\n\n"
                           "Válassza ki azt a mappát, amelyet a program a megrendelés elkészítésekor hozott létre "
                           "(például Pelmar-20240315-000123).")
                .arg(QDir::toNativeSeparators(folder), *problem));
        return {};
    }
    return folder;
}

// The disc is offered once, right after the build; a partner who said "Nem"
// then, or who needs a second disc, writes the folder from here.
void MainForm::miWriteDiscClick()
{
    const QString folder
        = pickBuiltOrderFolder(QStringLiteral("Válassza ki a megrendelés mappáját, amelyet lemezre szeretne írni:"));
    if (!folder.isEmpty())
        DiscWriteDialog::run(this, folder);
}

// Sending is offered after the build too; this sends a folder built earlier
// (or sends one again).
void MainForm::miSendOrderClick()
{
    const QString folder = pickBuiltOrderFolder(
        QStringLiteral("Válassza ki a megrendelés mappáját, amelyet a laborba szeretne küldeni:"));
    if (!folder.isEmpty())
        m_labSending->send(folder);
}

} // namespace pelmar
