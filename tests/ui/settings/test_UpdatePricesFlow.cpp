#include "tests/support/widgets/DialogTestUtil.h"
#include "tests/support/widgets/ModalScript.h"

#include "core/UserData.h"
#include "platform/SettingsStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/MainFormParts.h"
#include "ui/common/MessageBox.h"
#include "ui/main/MainForm.h"
#include "ui/settings/MoneyEdit.h"
#include "ui/settings/UpdatePricesForm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

using namespace pelmar;
using namespace pelmar::test;
using pelmar::test::ModalScript;
using pelmar::test::typeInto;

namespace {

// A main window on its own store with three sizes and no welcome, holding
// order lines made without any picture file (the re-pricing does not look at
// files).
class PriceFlow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PartnerData() = TUserData {};
        const QString db = m_dir.file(QStringLiteral("settings.sqlite"));
        {
            SettingsStore store(db);
            store.openKey(kSettingsRootKey, true);
            store.writeBool(QStringLiteral("WelcomeScreen"), false);
            store.openKey(kSettingsPricesKey, true);
            store.writeString(QStringLiteral("0"), QStringLiteral("9x13|100|1800x1200|900x600"));
            store.writeString(QStringLiteral("1"), QStringLiteral("10x15|150|2100x1500|1050x750"));
            store.writeString(QStringLiteral("2"), QStringLiteral("13x18|300|2400x1800|1200x900"));
        }
        window = std::make_unique<MainForm>(nullptr, db);
        test::showActive(window.get());
        addLine(QStringLiteral("a.jpg"), 0, 3);
        addLine(QStringLiteral("b.jpg"), 1, 2);
        addLine(QStringLiteral("c.jpg"), 0, 1);
        window->UpdateTotals();
        CBSize(*window)->setCurrentIndex(2);
    }
    void TearDown() override
    {
        window->order().clear();
        window.reset();
        PartnerData() = TUserData {};
    }

    void addLine(const QString& name, int sizeIndex, int quantity)
    {
        const TPriceData entry = ParsePriceData(window->priceList()[sizeIndex]);
        window->order().AddOrderLine(m_dir.file(name), QStringLiteral("2000x3000"), 0, QStringLiteral("ok"), true,
                                     entry, QString::number(quantity), quantity);
    }
    QString sub(int row, int item) { return window->order().line(row).SubItems[item]; }

    static TUpdatePricesForm* editor(QWidget* d)
    {
        auto* f = qobject_cast<TUpdatePricesForm*>(d);
        EXPECT_NE(f, nullptr);
        return f;
    }
    static void change(TUpdatePricesForm* f, int row, const QString& size, const QString& price)
    {
        f->ArList->selectRow(row);
        f->Size->setText(size);
        f->BruttoAr->setFocus();
        typeInto(f->BruttoAr, price);
        f->ChgSizeBtn->click();
    }
    void run(ModalScript& script)
    {
        ShowPrices(*window)->trigger();
        EXPECT_EQ(script.pendingSteps(), 0);
    }

    test::TempDir m_dir;
    std::unique_ptr<MainForm> window;
    ScriptedMessages messages;
};

} // namespace

TEST_F(PriceFlow, OkRepricesEveryLineAndTheTotals)
{
    ModalScript script;
    script.then([](QWidget* d) {
        TUpdatePricesForm* f = editor(d);
        change(f, 0, QStringLiteral("9x13"), QStringLiteral("120.9"));
        f->OKBtn->click();
    });
    run(script);
    EXPECT_EQ(sub(0, SubUnitPrice), QStringLiteral("120 Ft"));
    EXPECT_EQ(sub(0, SubLineTotal), QStringLiteral("360 Ft"));
    EXPECT_EQ(window->order().line(0).Data, 120);
    EXPECT_EQ(sub(1, SubUnitPrice), QStringLiteral("150 Ft"));
    EXPECT_EQ(sub(2, SubLineTotal), QStringLiteral("120 Ft"));
    EXPECT_EQ(SumPrice(*window)->text(), QStringLiteral("780 Ft"));
    EXPECT_EQ(window->statusText(), MainForm::idleStatusText());
    EXPECT_EQ(window->priceList()[0], QStringLiteral("9x13|120|1800x1200|900x600"));
    // The size box keeps its place and the editor row follows the entry.
    EXPECT_EQ(CBSize(*window)->currentIndex(), 2);
    EXPECT_EQ(window->currentPrice().Size, QStringLiteral("13x18"));
}

TEST_F(PriceFlow, RenamedSizeKeepsTheLinesPricesAndChangedEntryReachesTheEditorRow)
{
    ModalScript script;
    script.then([](QWidget* d) {
        TUpdatePricesForm* f = editor(d);
        change(f, 0, QStringLiteral("9x12"), QStringLiteral("999"));
        change(f, 2, QStringLiteral("13x18"), QStringLiteral("310"));
        f->OKBtn->click();
    });
    run(script);
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(sub(0, SubUnitPrice), QStringLiteral("100 Ft"));
    EXPECT_EQ(sub(0, SubLineTotal), QStringLiteral("300 Ft"));
    EXPECT_EQ(sub(0, SubSize), QStringLiteral("9x13"));
    EXPECT_EQ(CBSize(*window)->itemText(0), QStringLiteral("9x12"));
    EXPECT_EQ(window->currentPrice().Price, 310);
    EXPECT_EQ(LItemPrice(*window)->text(), QStringLiteral("310 Ft"));
}

TEST_F(PriceFlow, CancelChangesNothingAndRestoresTheSelection)
{
    const QStringList before = window->priceList();
    ModalScript script;
    script.then([](QWidget* d) {
        TUpdatePricesForm* f = editor(d);
        change(f, 0, QStringLiteral("9x13"), QStringLiteral("1"));
        f->CancelBtn->click();
    });
    run(script);
    EXPECT_EQ(window->priceList(), before);
    EXPECT_EQ(sub(0, SubUnitPrice), QStringLiteral("100 Ft"));
    EXPECT_EQ(CBSize(*window)->count(), 3);
    EXPECT_EQ(CBSize(*window)->currentIndex(), 2);
    EXPECT_EQ(window->currentPrice().Price, 300);
}

TEST_F(PriceFlow, NoSizeSelectedIsRememberedAsTheFirst)
{
    CBSize(*window)->setCurrentIndex(-1);
    ModalScript script;
    script.then([](QWidget* d) { editor(d)->OKBtn->click(); });
    run(script);
    EXPECT_EQ(CBSize(*window)->currentIndex(), 0);
    EXPECT_EQ(window->currentPrice().Size, QStringLiteral("9x13"));
}
