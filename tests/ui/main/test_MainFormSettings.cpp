#include "tests/support/widgets/MainFormFixture.h"
#include "tests/support/widgets/ModalScript.h"

#include "core/UserData.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

class Settings : public MainFormTest
{
protected:
    void SetUp() override { PartnerData() = TUserData {}; }
    void TearDown() override { PartnerData() = TUserData {}; }
};

} // namespace

TEST_F(Settings, FirstRunWithAnEmptyStore)
{
    PartnerData().UserID = 99; // whatever was there is replaced
    form = std::make_unique<MainForm>(nullptr, settingsPath());
    EXPECT_TRUE(form->showWelcome());
    EXPECT_EQ(PartnerData(), TUserData {});
    EXPECT_EQ(CBSize(*form)->count(), 0);
    EXPECT_EQ(CBSize(*form)->currentIndex(), -1);
    EXPECT_TRUE(form->priceList().isEmpty());
    EXPECT_TRUE(form->settingValues().isEmpty());
    EXPECT_TRUE(CBShowPreview(*form)->isChecked());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(Settings, RoundTripOfTwelvePricesValuesAndFlags)
{
    QStringList prices;
    for (int i = 0; i < 12; ++i)
        prices.append(QStringLiteral("S%1|%2|1x2|%3x%4").arg(i).arg(100 + i).arg(i).arg(i + 1));
    storePrices(prices, {{QStringLiteral("CD"), 1500}, {QStringLiteral("Other"), -3}});
    openForm();
    EXPECT_EQ(form->priceList(), prices);
    ASSERT_EQ(CBSize(*form)->count(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(CBSize(*form)->itemText(i), QStringLiteral("S%1").arg(i));
    EXPECT_EQ(CBSize(*form)->currentIndex(), 0);
    EXPECT_EQ(form->currentPrice(), ParsePriceData(prices[0]));
    EXPECT_EQ(LItemPrice(*form)->text(), QStringLiteral("100 Ft"));
    EXPECT_EQ(form->settingValues(), QStringList({QStringLiteral("CD=1500"), QStringLiteral("Other=-3")}));

    CBShowPreview(*form)->setChecked(false);
    form->setShowWelcome(false);
    form->priceList().append(QStringLiteral("Poster|9000|a|b"));
    SetSettingValue(form->settingValues(), QStringLiteral("CD"), 1750);
    form->settingValues().append(QStringLiteral("Bad=abc"));
    form.reset(); // FormDestroy saves

    openForm();
    EXPECT_FALSE(CBShowPreview(*form)->isChecked());
    EXPECT_EQ(form->priceList().size(), 13);
    EXPECT_EQ(form->priceList().last(), QStringLiteral("Poster|9000|a|b"));
    EXPECT_EQ(form->settingValues(),
              QStringList({QStringLiteral("CD=1750"), QStringLiteral("Other=-3"), QStringLiteral("Bad=0")}));
    SettingsStore store(settingsPath());
    ASSERT_TRUE(store.openKey(kSettingsRootKey, false));
    EXPECT_EQ(store.readBool(QStringLiteral("WelcomeScreen")), std::optional<bool>(false));
    EXPECT_EQ(store.readBool(QStringLiteral("ShowPreview")), std::optional<bool>(false));
    ASSERT_TRUE(store.openKey(kSettingsValuesKey, false));
    EXPECT_EQ(store.readInteger(QStringLiteral("CD")), std::optional<qint32>(1750));
}

// Only the numbered entries are the list; other values under the key are
// neither read as prices nor deleted by a save.
TEST_F(Settings, DeletedPricesStayDeletedAndOtherValuesStay)
{
    storePrices({kPrice9x13, kPrice10x15, kPrice13x18});
    {
        SettingsStore store(settingsPath());
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
        ASSERT_TRUE(store.writeString(QStringLiteral("Megjegyzés"), kPrice10x15));
        ASSERT_TRUE(store.writeString(QStringLiteral("07"), kPrice10x15));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("Verzio"), 3));
    }
    openForm();
    EXPECT_EQ(form->priceList(), QStringList({kPrice9x13, kPrice10x15, kPrice13x18}));
    form->priceList() = QStringList({kPrice13x18});
    form.reset();
    {
        SettingsStore store(settingsPath());
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, false));
        EXPECT_EQ(store.valueNames(),
                  QStringList({QStringLiteral("Megjegyzés"), QStringLiteral("07"), QStringLiteral("Verzio"),
                               QStringLiteral("0")}));
        EXPECT_EQ(store.readString(QStringLiteral("Megjegyzés")), std::optional<QString>(kPrice10x15));
        EXPECT_EQ(store.readInteger(QStringLiteral("Verzio")), std::optional<qint32>(3));
    }
    openForm();
    EXPECT_EQ(form->priceList(), QStringList({kPrice13x18}));
    // Emptied: nothing comes back either.
    form->priceList().clear();
    form.reset();
    openForm();
    EXPECT_TRUE(form->priceList().isEmpty());
    EXPECT_EQ(CBSize(*form)->count(), 0);
}

TEST_F(Settings, LockedStoreIsNeitherTakenForEmptyNorOverwritten)
{
    storePrices({kPrice9x13, kPrice10x15}, {{QStringLiteral("CD"), 1500}});
    ASSERT_TRUE(savePartnerData(TUserData {77, QStringLiteral("Bolt"), {}, {}, {}, {}}, settingsPath()));
    // Another program holds the store while we start.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(settingsPath()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    form = std::make_unique<MainForm>(nullptr, settingsPath());
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    // Told once, where the file is; no first-run flow for settings that exist.
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().front().text.contains(QDir::toNativeSeparators(settingsPath())));
    EXPECT_FALSE(form->showWelcome());
    EXPECT_TRUE(form->priceList().isEmpty());
    // What the partner does now is not saved over the real settings, even
    // though the lock is gone by the end: neither the partner data editor
    // (which saves what it shows, the empty record, whenever it closes)...
    {
        ModalScript script; // closes the editor with Mégse
        form->UserDataExecute();
        EXPECT_EQ(script.seen(), QStringList({QStringLiteral("pelmar::TUserDataForm")}));
    }
    // ...nor the save at exit.
    form->priceList() = QStringList({kPrice13x18});
    EXPECT_FALSE(form->FormDestroy());
    form.reset();
    messages.clear();
    openForm();
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(form->priceList(), QStringList({kPrice9x13, kPrice10x15}));
    EXPECT_EQ(form->settingValues(), QStringList({QStringLiteral("CD=1500")}));
    EXPECT_EQ(PartnerData().UserID, 77);
}

TEST_F(Settings, PartnerDataOnlyWithAShopNumberAndWrongKindsCountAsMissing)
{
    {
        SettingsStore store(settingsPath());
        ASSERT_TRUE(store.openKey(kSettingsRootKey, true));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("UserID"), 4321));
        ASSERT_TRUE(store.writeString(QStringLiteral("UserHelys"), QStringLiteral("Pécs")));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("UserCim"), 5)); // wrong kind
        ASSERT_TRUE(store.writeString(QStringLiteral("ShowPreview"), QStringLiteral("0"))); // wrong kind
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
        // Gaps in the names, a wrong kind in between: read in creation order.
        ASSERT_TRUE(store.writeString(QStringLiteral("5"), kPrice13x18));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("0"), 17));
        ASSERT_TRUE(store.writeString(QStringLiteral("2"), kPrice9x13));
        ASSERT_TRUE(store.openKey(kSettingsValuesKey, true));
        ASSERT_TRUE(store.writeString(QStringLiteral("CD"), QStringLiteral("1500")));
        ASSERT_TRUE(store.writeInteger(QStringLiteral("X"), 8));
    }
    openForm();
    EXPECT_EQ(PartnerData().UserID, 4321);
    EXPECT_EQ(PartnerData().UserHelys, QStringLiteral("Pécs"));
    EXPECT_EQ(PartnerData().UserCim, QString());
    EXPECT_EQ(PartnerData().UserName, QString());
    EXPECT_TRUE(CBShowPreview(*form)->isChecked());
    EXPECT_EQ(form->priceList(), QStringList({kPrice13x18, kPrice9x13}));
    EXPECT_EQ(CBSize(*form)->itemText(0), QStringLiteral("13x18"));
    EXPECT_EQ(form->settingValues(), QStringList({QStringLiteral("X=8")}));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(Settings, PartnerTextsWithoutShopNumberAreNotRead)
{
    {
        SettingsStore store(settingsPath());
        ASSERT_TRUE(store.openKey(kSettingsRootKey, true));
        ASSERT_TRUE(store.writeString(QStringLiteral("UserName"), QStringLiteral("Bolt")));
        ASSERT_TRUE(store.writeBool(QStringLiteral("WelcomeScreen"), false));
    }
    PartnerData().UserName = QStringLiteral("kept");
    form = std::make_unique<MainForm>(nullptr, settingsPath());
    EXPECT_EQ(PartnerData().UserName, QStringLiteral("kept"));
    EXPECT_EQ(PartnerData().UserID, 0);
    EXPECT_FALSE(form->showWelcome());
}

TEST_F(Settings, DamagedDatabaseStartsWithDefaultsAndSaysSoOnce)
{
    QDir().mkpath(dir.file(QStringLiteral("config")));
    const QByteArray junk = QByteArray("not a database ").repeated(500);
    dir.write(QStringLiteral("config/settings.sqlite"), junk);
    openForm();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().front().kind, MessageKind::Information);
    EXPECT_EQ(CBSize(*form)->count(), 0);
    form->priceList().append(kPrice9x13);
    form.reset();
    // The damaged file is still there under another name; the new one holds
    // what was saved; no second box on the next start. (The order journal
    // beside them is not the store's business.)
    const QStringList files
        = QDir(dir.file(QStringLiteral("config"))).entryList({QStringLiteral("settings.sqlite*")}, QDir::Files);
    EXPECT_EQ(files.size(), 2) << files.join(QLatin1Char(',')).toStdString();
    messages.clear();
    openForm();
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(form->priceList(), QStringList({kPrice9x13}));
}

TEST_F(Settings, StoreThatCannotBeUsedIsReportedOnceAndNeverWritten)
{
    // No folder can be made for it: nothing is read, nothing can be kept.
    form = std::make_unique<MainForm>(nullptr, QStringLiteral("/proc/none/settings.sqlite"));
    EXPECT_EQ(CBSize(*form)->count(), 0);
    EXPECT_FALSE(form->FormDestroy());
    EXPECT_EQ(messages.shown().size(), 1);
    form.reset();

    // A folder in the file's place stays a folder.
    messages.clear();
    ASSERT_TRUE(QDir().mkpath(settingsPath()));
    form = std::make_unique<MainForm>(nullptr, settingsPath());
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().front().text.contains(QDir::toNativeSeparators(settingsPath())));
    EXPECT_FALSE(form->showWelcome());
    EXPECT_FALSE(form->FormDestroy());
    form.reset();
    EXPECT_TRUE(QFileInfo(settingsPath()).isDir());
    EXPECT_EQ(messages.shown().size(), 1);
}
