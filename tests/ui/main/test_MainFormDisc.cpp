// A built order folder written onto a disc later, from the "Fájl" menu.
#include "tests/support/widgets/MainFormFixture.h"
#include "tests/support/widgets/ModalScript.h"

#include "core/Texts.h"
#include "output/OrderNames.h"
#include "tests/support/Printers.h"
#include "ui/disc/DiscWriteDialog.h"
#include "ui/order/EnvelopeEdit.h"
#include "ui/order/SaveMegrForm.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>

using namespace pelmar;
using namespace pelmar::test;

namespace {

// Notes the folder the picker shows once it has made its own selection,
// then confirms `choose` (the shown folder when empty) or, with cancel,
// closes it.
ModalScript::Step pickFolder(QString& shown, const QString& choose, bool cancel = false)
{
    return [&shown, choose, cancel](QWidget* dialog) {
        // Queued behind the picker's own start-up selection.
        QMetaObject::invokeMethod(
            dialog,
            [&shown, choose, cancel, dialog] {
                auto* picker = qobject_cast<QFileDialog*>(dialog);
                ASSERT_NE(picker, nullptr) << dialog->metaObject()->className();
                shown = picker->directory().absolutePath();
                if (cancel) {
                    picker->reject();
                    return;
                }
                if (!choose.isEmpty())
                    picker->setDirectory(choose);
                QMetaObject::invokeMethod(picker, "accept");
            },
            Qt::QueuedConnection);
    };
}

// The disc dialog's place taken by a list of the folders it was opened for.
struct OpenedDiscDialogs : QStringList
{
    OpenedDiscDialogs()
    {
        DiscWriteDialog::setRunner([this](QWidget*, const QString& folder) { append(folder); });
    }
    ~OpenedDiscDialogs() { DiscWriteDialog::setRunner({}); }
};

} // namespace

TEST_F(MainFormTest, WriteDiscStartsAtTheLastBuiltFolderAfterARestartAndRefusesOtherFolders)
{
    OpenedDiscDialogs opened;
    ASSERT_TRUE(
        savePartnerData(TUserData {123, "Minta Fotó Bt.", "9999", "Kisváros", "Fő utca 1.", ""}, settingsPath()));
    openWithPrices();
    QAction* item = mainPart<QAction>(*form, "miWriteDisc");

    // Nothing built yet: where the order dialog builds by default.
    QString shown;
    {
        ModalScript script;
        script.then(pickFolder(shown, {}, true));
        item->trigger();
    }
    EXPECT_EQ(shown, QDir::cleanPath(DocumentsFolder()));

    // A build whose disc offer is answered "Nem".
    add({jpeg(QStringLiteral("kepek/a.jpg"), 300, 200)});
    const QString built = OrderFolderPath(dir.file(QStringLiteral("Rendelesek/")), OrderToday(), "000123");
    {
        ModalScript script;
        script.then([this](QWidget* dialog) {
            auto* order = qobject_cast<TSaveMegrForm*>(dialog);
            ASSERT_NE(order, nullptr) << dialog->metaObject()->className();
            order->BaseFolder = dir.file(QStringLiteral("Rendelesek/"));
            order->TasakNo->setText(QStringLiteral("000123"));
            order->CBPrintData->setChecked(false);
            order->MegrBtn->click();
        });
        messages.queueAnswer(MessageAnswer::No);
        OutputMegr(*form)->trigger();
    }
    ASSERT_TRUE(QFileInfo(built + kOrderTextFileName).isFile()) << messages.texts().join(" | ").toStdString();
    ASSERT_TRUE(opened.isEmpty());

    // Remembered across a restart; a folder without the order text is
    // refused, the built one goes to the disc dialog.
    form.reset();
    openForm();
    messages.clear();
    const QString pictures = dir.file(QStringLiteral("kepek"));
    QString shownAgain;
    {
        ModalScript script;
        script.then(pickFolder(shown, pictures));
        script.then(pickFolder(shownAgain, {}));
        item = mainPart<QAction>(*form, "miWriteDisc");
        item->trigger();
        item->trigger();
    }
    EXPECT_EQ(shown, QDir::cleanPath(built));
    EXPECT_EQ(shownAgain, QDir::cleanPath(built));
    ASSERT_EQ(messages.shown().size(), 1) << messages.texts().join(" | ").toStdString();
    EXPECT_EQ(messages.shown()[0].kind, MessageKind::Error);
    EXPECT_TRUE(messages.shown()[0].text.startsWith("A kiválasztott mappa nem megrendelés-mappa"));
    EXPECT_TRUE(messages.shown()[0].text.contains("\n\n" + pictures + "\n\n"));
    EXPECT_EQ(opened, QStringList {QDir::cleanPath(built)});
}
