#include "ui/main/MainWindowSettings.h"

#include "core/PriceData.h"
#include "platform/SettingsStore.h"

#include <algorithm>

namespace pelmar {

namespace {

// The flags under the main key.
struct FlagKey
{
    const char16_t* name;
    bool MainWindowSettings::*member;
};

constexpr FlagKey kFlags[] = {
    {u"WelcomeScreen", &MainWindowSettings::showWelcome},
    {u"ShowPreview", &MainWindowSettings::showPreview},
    {u"ShowCrop", &MainWindowSettings::showCrop},
    // The thumbnail view came later than the values above; its name is one
    // that none of them uses.
    {u"ShowThumbnails", &MainWindowSettings::showThumbnails},
};

QString nameOf(const FlagKey& flag)
{
    return QString::fromUtf16(flag.name);
}

const QString kLastOrderFolder = QStringLiteral("LastOrderFolder");
// The folders the program remembers have a key of their own, beside the
// keys whose values were there from the start.
const QString kFoldersKey = kSettingsRootKey + QStringLiteral("\\Folders");
const QString kOpenPictureFolder = QStringLiteral("OpenPicture");

// The price entries are the values named by their list position, "0", "1",
// ... as this program writes them; anything else under the key (put there by
// hand or by another tool) is neither a price nor ours to delete.
bool isPriceEntryName(const QString& name)
{
    if (name.isEmpty() || (name.size() > 1 && name.front() == QLatin1Char('0')))
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

} // namespace

MainWindowSettings MainWindowSettings::load(SettingsStore& store, TUserData& partner)
{
    MainWindowSettings s;
    if (store.openKey(kSettingsRootKey, false)) {
        // Partner texts are read only together with a shop number.
        readPartnerData(store, partner);
        for (const FlagKey& flag : kFlags)
            if (const auto v = store.readBool(nameOf(flag)))
                s.*flag.member = *v;
        if (const auto v = store.readString(kLastOrderFolder))
            s.lastOrderFolder = *v;
    } else {
        partner = TUserData {};
    }
    if (store.openKey(kFoldersKey, false)) {
        if (const auto v = store.readString(kOpenPictureFolder))
            s.lastPictureFolder = *v;
    }

    // The entries come back in the order they were first written: "0", "1", ...
    if (store.openKey(kSettingsPricesKey, false)) {
        for (const QString& name : store.valueNames()) {
            if (!isPriceEntryName(name))
                continue;
            // A value of another kind counts as missing; the rest still loads.
            if (const auto entry = store.readString(name))
                s.priceList.append(*entry);
        }
    }

    if (store.openKey(kSettingsValuesKey, false)) {
        for (const QString& name : store.valueNames())
            if (const auto v = store.readInteger(name))
                s.settingValues.append(name + QLatin1Char('=') + QString::number(*v));
    }
    store.closeKey();
    return s;
}

bool MainWindowSettings::save(SettingsStore& store) const
{
    // One transaction: a crash in the middle leaves the old settings whole.
    if (!store.beginTransaction())
        return false;
    bool ok = store.openKey(kSettingsRootKey, true);
    for (const FlagKey& flag : kFlags)
        ok = ok && store.writeBool(nameOf(flag), this->*flag.member);
    // Until the first build there is no folder to remember.
    if (!lastOrderFolder.isEmpty())
        ok = ok && store.writeString(kLastOrderFolder, lastOrderFolder);
    if (!lastPictureFolder.isEmpty())
        ok = ok && store.openKey(kFoldersKey, true) && store.writeString(kOpenPictureFolder, lastPictureFolder);
    // A key that cannot be opened fails the save like a failed write.
    // The list replaces the entries the key held: a deleted price must not
    // come back from an old tail, and the entries are written afresh in
    // list order, so the listing order is the list's order. Values that are
    // no price entries stay.
    ok = ok && store.openKey(kSettingsPricesKey, true);
    if (ok)
        for (const QString& name : store.valueNames())
            if (isPriceEntryName(name))
                ok = ok && store.removeValue(name);
    for (int i = 0; ok && i < priceList.size(); ++i)
        ok = store.writeString(QString::number(i), priceList[i]);
    ok = ok && store.openKey(kSettingsValuesKey, true);
    for (const QString& entry : settingValues) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? entry : entry.left(eq);
        if (!ok || name.isEmpty())
            continue;
        ok = store.writeInteger(name, eq < 0 ? 0 : StrToIntDef(entry.mid(eq + 1), 0));
    }
    if (!ok) {
        store.rollback();
        return false;
    }
    return store.commit();
}

} // namespace pelmar
