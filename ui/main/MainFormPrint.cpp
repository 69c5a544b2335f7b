// The main window's command that previews and prints the order.
#include "core/Texts.h"
#include "core/UserData.h"
#include "reports/QRMegr.h"
#include "ui/common/MessageBox.h"
#include "ui/main/MainForm.h"
#include "ui/report/ReportPreview.h"

#include <QLabel>
#include <memory>

namespace pelmar {

// "Nyomtatás": the not-final order printout, previewed; the user prints or
// saves it from the preview window.
void MainForm::PrintMegrExecute()
{
    if (order().isEmpty()) {
        MessageBox::error(this, kEmptyOrderText);
        return;
    }

    // Owned by this window while it is shown; released when the preview
    // closes, and also when it fails (the failure goes on to the general
    // error box).
    auto form = std::make_unique<reports::TQRMegrForm>(this);
    const TUserData& partner = PartnerData();
    form->setOrderLines(order().lines());
    form->setLabelCaption(QStringLiteral("LCegNev"), partner.UserName);
    form->setLabelCaption(QStringLiteral("LCegHelys"), partner.UserHelys);
    form->setLabelCaption(QStringLiteral("LCegCim"), partner.UserCim);
    form->setLabelCaption(QStringLiteral("LCegIrsz"), partner.UserIrsz);
    for (const char* customer : {"LVevoNev", "LVevoHelys", "LVevoCim", "LVevoIrsz"})
        form->setLabelCaption(QString::fromLatin1(customer), QString());
    form->setLabelCaption(QStringLiteral("LSumMegr"), SumPrice->text());
    form->setSumMenny(SumMenny->text());
    // LNotFinal stays on and the CD line off, as the printout is designed.
    reports::previewReport(*form, this);
}

} // namespace pelmar
