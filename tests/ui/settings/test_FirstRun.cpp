#include "tests/support/widgets/DialogTestUtil.h"
#include "tests/support/widgets/ModalScript.h"

#include "core/UserData.h"
#include "platform/SettingsStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/MainFormParts.h"
#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"
#include "ui/main/MainForm.h"
#include "ui/settings/MoneyEdit.h"
#include "ui/settings/UpdatePricesForm.h"
#include "ui/settings/UserDataForm.h"
#include "ui/settings/WelcomeForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

using namespace pelmar;
using namespace pelmar::test;
using pelmar::test::ModalScript;
using pelmar::test::typeInto;

namespace {

const QString kWelcome = QStringLiteral("pelmar::TWelcomeForm");
const QString kUserData = QStringLiteral("pelmar::TUserDataForm");
const QString kPrices = QStringLiteral("pelmar::TUpdatePricesForm");

class FirstRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PartnerData() = TUserData {};
        m_db = m_dir.file(QStringLiteral("settings.sqlite"));
        Help::setRequestObserver([this](const QString& t) { helpRequests.append(t); });
    }
    void TearDown() override
    {
        window.reset();
        Help::setRequestObserver({});
        PartnerData() = TUserData {};
    }

    // Creates the main window on the test's store and shows it, which runs
    // the first-run flow at its first activation; waits until the script has
    // run out or the flow is over.
    void start(ModalScript& script)
    {
        window = std::make_unique<MainForm>(nullptr, m_db);
        test::showActive(window.get());
        QTRY_COMPARE_WITH_TIMEOUT(script.pendingSteps(), 0, 5000);
        QTest::qWait(50);
    }
    void restart(ModalScript& script)
    {
        window.reset();
        PartnerData() = TUserData {};
        start(script);
    }

    static void welcome(QWidget* d, bool prices, bool userData, bool hide)
    {
        auto* w = qobject_cast<TWelcomeForm*>(d);
        ASSERT_NE(w, nullptr);
        w->CBUpdateArlist->setChecked(prices);
        w->CBUserData->setChecked(userData);
        w->CBHide->setChecked(hide);
        w->OKBtn->click();
    }
    static void addPrice(QWidget* d, const QString& size, const QString& price, const QString& cd = {})
    {
        auto* f = qobject_cast<TUpdatePricesForm*>(d);
        ASSERT_NE(f, nullptr);
        f->Size->setText(size);
        f->OptRes->setText(QStringLiteral("1800x1200"));
        f->MinRes->setText(QStringLiteral("900x600"));
        f->BruttoAr->setFocus();
        typeInto(f->BruttoAr, price);
        if (!cd.isEmpty()) {
            f->CDIndex->setFocus();
            typeInto(f->CDIndex, cd);
        }
        f->NewPriceBtn->click();
        f->OKBtn->click();
    }

    void writeRoot(const std::function<void(SettingsStore&)>& write)
    {
        SettingsStore store(m_db);
        ASSERT_TRUE(store.openKey(kSettingsRootKey, true));
        write(store);
    }

    test::TempDir m_dir;
    QString m_db;
    std::unique_ptr<MainForm> window;
    QStringList helpRequests;
    ScriptedMessages messages;
};

} // namespace

TEST_F(FirstRun, EmptyStoreGreetsAndForcesThePriceList)
{
    ModalScript script;
    script.then([](QWidget* d) { welcome(d, false, false, false); });
    script.then([this](QWidget* d) {
        // The empty list cannot be left without a row.
        auto* f = qobject_cast<TUpdatePricesForm*>(d);
        ASSERT_NE(f, nullptr);
        f->CancelBtn->click();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(messages.texts(), QStringList {TUpdatePricesForm::kEmptyListText});
        addPrice(d, QStringLiteral("9x13"), QStringLiteral("45"));
    });
    start(script);
    EXPECT_EQ(script.seen(), QStringList({kWelcome, kPrices}));
    EXPECT_EQ(CBSize(*window)->count(), 1);
    EXPECT_EQ(CBSize(*window)->currentIndex(), 0);
    EXPECT_EQ(window->currentPrice().Price, 45);
    EXPECT_EQ(window->priceList(), QStringList {QStringLiteral("9x13|45|1800x1200|900x600")});
    EXPECT_EQ(window->settingValues(), QStringList {QStringLiteral("CD=0")});
    EXPECT_TRUE(window->showWelcome());
    EXPECT_EQ(PartnerData().UserID, 0); // not asked for without the box
}

TEST_F(FirstRun, PartnerDataFirstWithoutCancelThenPricesAndBothSurviveARestart)
{
    ModalScript script;
    script.then([](QWidget* d) { welcome(d, false, true, true); });
    script.then([](QWidget* d) {
        auto* f = qobject_cast<TUserDataForm*>(d);
        ASSERT_NE(f, nullptr);
        EXPECT_FALSE(f->CancelBtn->isEnabled());
        EXPECT_EQ(f->UserID->text(), QStringLiteral("0"));
        QTest::keyClick(f->UserID, Qt::Key_Escape);
        EXPECT_TRUE(f->isVisible());
        typeInto(f->UserID, QStringLiteral("00123"));
        typeInto(f->UserName, QStringLiteral("Fotó Bolt Bt."));
        typeInto(f->UserIrsz, QStringLiteral("6720"));
        typeInto(f->UserHelys, QStringLiteral("Szeged"));
        typeInto(f->UserCim, QStringLiteral("Kárász u. 5."));
        f->OKBtn->click();
    });
    script.then(
        [](QWidget* d) { addPrice(d, QStringLiteral("10x15"), QStringLiteral("60.5"), QStringLiteral("1500")); });
    start(script);
    EXPECT_EQ(script.seen(), QStringList({kWelcome, kUserData, kPrices}));
    EXPECT_EQ(PartnerData().UserID, 123);
    EXPECT_FALSE(window->showWelcome());
    // The command's tag is back at 0: the menu opens the editor with Mégse.
    EXPECT_EQ(UserData(*window)->data().toInt(), 0);

    // The partner data is in the store at once, the rest at exit.
    TUserData stored;
    loadPartnerData(stored, m_db);
    EXPECT_EQ(stored.UserID, 123);
    EXPECT_EQ(stored.UserCim, QStringLiteral("Kárász u. 5."));

    ModalScript none;
    restart(none);
    EXPECT_TRUE(none.seen().isEmpty());
    EXPECT_EQ(PartnerData().UserID, 123);
    EXPECT_EQ(PartnerData().UserName, QStringLiteral("Fotó Bolt Bt."));
    EXPECT_EQ(window->priceList(), QStringList {QStringLiteral("10x15|60|1800x1200|900x600")});
    EXPECT_EQ(window->settingValues(), QStringList {QStringLiteral("CD=1500")});
    EXPECT_EQ(CBSize(*window)->currentText(), QStringLiteral("10x15"));
    EXPECT_FALSE(window->showWelcome());
    SettingsStore store(m_db);
    ASSERT_TRUE(store.openKey(kSettingsRootKey, false));
    EXPECT_EQ(store.readBool(QStringLiteral("WelcomeScreen")), std::optional<bool>(false));
}

TEST_F(FirstRun, NoWelcomeMeansNoPriceEditorEvenWhenTheListIsEmpty)
{
    writeRoot([](SettingsStore& s) { s.writeBool(QStringLiteral("WelcomeScreen"), false); });
    ModalScript script;
    start(script);
    QTest::qWait(100);
    EXPECT_TRUE(script.seen().isEmpty());
    EXPECT_EQ(CBSize(*window)->count(), 0);
    EXPECT_EQ(CBSize(*window)->currentIndex(), -1);
}

TEST_F(FirstRun, RunsOncePerRunAndTheWelcomeKeyWorks)
{
    writeRoot([](SettingsStore& s) {
        s.writeInteger(QStringLiteral("UserID"), 7);
        s.writeString(QStringLiteral("UserName"), QStringLiteral("N"));
    });
    {
        SettingsStore store(m_db);
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
        store.writeString(QStringLiteral("0"), QStringLiteral("9x13|45|1x1|1x1"));
    }
    ModalScript script;
    script.then([](QWidget* d) {
        // F1 opens the topic and leaves the welcome open; so does Esc.
        QTest::keyClick(d, Qt::Key_F1);
        QTest::keyClick(d, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible());
        welcome(d, false, false, false);
    });
    start(script);
    EXPECT_EQ(script.seen(), QStringList {kWelcome}); // a filled list needs no editor
    EXPECT_EQ(helpRequests, QStringList {QStringLiteral("firstrun.html")});

    // Deactivating and activating again does not start the flow over.
    QWidget other;
    test::showActive(&other);
    test::showActive(window.get());
    window->FormActivate();
    QTest::qWait(100);
    EXPECT_EQ(script.seen(), QStringList {kWelcome});
}

TEST_F(FirstRun, CloseBoxOnTheWelcomeCountsLikeOk)
{
    ModalScript script;
    script.then([](QWidget* d) {
        auto* w = qobject_cast<TWelcomeForm*>(d);
        ASSERT_NE(w, nullptr);
        w->CBHide->setChecked(true);
        w->CBUpdateArlist->setChecked(true);
        w->close();
    });
    script.then([](QWidget* d) { addPrice(d, QStringLiteral("9x13"), QStringLiteral("45")); });
    start(script);
    EXPECT_EQ(script.seen(), QStringList({kWelcome, kPrices}));
    EXPECT_FALSE(window->showWelcome());
    window.reset();
    SettingsStore store(m_db);
    ASSERT_TRUE(store.openKey(kSettingsRootKey, false));
    EXPECT_EQ(store.readBool(QStringLiteral("WelcomeScreen")), std::optional<bool>(false));
}
