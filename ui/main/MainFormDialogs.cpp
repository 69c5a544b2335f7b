// Handlers of the main window that open the settings dialogs, the about box,
// help and the web links.
#include "ui/main/MainForm.h"

#include "core/UserData.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/VersionCheck.h"
#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"
#include "ui/settings/AboutForm.h"
#include "ui/settings/UpdatePricesForm.h"
#include "ui/settings/UserDataForm.h"
#include "ui/settings/WelcomeForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace pelmar {

void MainForm::ShowPricesExecute()
{
    const int remembered = qMax(0, CBSize->currentIndex());

    bool accepted = false;
    {
        TUpdatePricesForm editor(this, m_settings.priceList, m_settings.settingValues);
        accepted = editor.exec() == QDialog::Accepted;
        if (accepted) {
            m_settings.priceList = editor.priceList();
            m_settings.settingValues = editor.settingValues();
            rebuildSizeBox();
        }
    }

    if (accepted) {
        setStatusText(QStringLiteral("Árak frissítése..."));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        // A line whose size was renamed away keeps its old prices.
        m_order.reprice(m_settings.priceList);
        setStatusText(idleStatusText());
        UpdateTotals();
    }

    if (remembered < CBSize->count()) {
        {
            const QSignalBlocker block(CBSize);
            CBSize->setCurrentIndex(remembered);
        }
        CBSizeChange();
    }
}

void MainForm::UserDataExecute()
{
    const QString settings = m_settingsPath;
    const bool keep = m_keepSettings;
    TUserDataForm editor(this, PartnerData(), [settings, keep](const TUserData& data) {
        if (keep)
            savePartnerData(data, settings);
    });
    // Tag 1: the first-run flow, where the dialog may only be left with valid data.
    editor.CancelBtn->setEnabled(UserData->data().toInt() != 1);
    editor.exec();
}

void MainForm::AboutExecute()
{
    TAboutForm about(this);
    about.exec();
}

void MainForm::FormActivate()
{
    // The marker is set before the dialogs open: each of them re-activates
    // this window when it closes, and the flow must not start over inside
    // itself.
    if (m_firstRunDone)
        return;
    m_firstRunDone = true;
    Help::setHelpFile(m_helpFile);

    if (!m_settings.showWelcome)
        return;
    // The restore question and pictures from the command line wait for the
    // flow's dialogs.
    m_firstRunRunning = true;
    struct Done
    {
        MainForm* form;
        ~Done()
        {
            form->m_firstRunRunning = false;
            QTimer::singleShot(0, form, [f = form] { f->guarded([f] { f->runStartFlow(); }); });
        }
    } done {this};
    TWelcomeForm welcome(this);
    welcome.exec();
    if (welcome.CBUserData->isChecked()) {
        UserData->setData(1);
        UserData->trigger();
        UserData->setData(0);
    }
    if (m_settings.priceList.isEmpty() || welcome.CBUpdateArlist->isChecked())
        ShowPrices->trigger();
    m_settings.showWelcome = !welcome.CBHide->isChecked();
}

void MainForm::ContentsExecute()
{
    Help::setHelpFile(m_helpFile);
    Help::ShowHelpContents();
}

void MainForm::miWhatsNewClick()
{
    Help::setHelpFile(m_helpFile);
    Help::ShowHelpTopic(QStringLiteral("whatsnew.html"));
}

void MainForm::miCheckVersionClick()
{
    StatusLine status {[this] { return statusText(); }, [this](const QString& text) { setStatusText(text); }};
    VersionCheck::run(status, [this](const QString& text) { MessageBox::information(this, text); });
}

void MainForm::miJumpPelmarClick()
{
    // Shared by both web items: the address is the hint of the chosen one.
    auto* item = qobject_cast<QAction*>(sender());
    if (item)
        Shell::openDocument(item->statusTip());
}

void MainForm::PelmarLogoClick()
{
    Shell::openDocument(PelmarLogo->toolTip());
}

} // namespace pelmar
