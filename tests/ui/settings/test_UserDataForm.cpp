#include "tests/support/widgets/DialogTestUtil.h"

#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"
#include "ui/settings/UserDataForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

using namespace pelmar;
using pelmar::test::typeInto;

namespace {

TUserData validData()
{
    TUserData d;
    d.UserID = 42;
    d.UserName = QStringLiteral("Fotó Bolt Bt.");
    d.UserIrsz = QStringLiteral("6720");
    d.UserHelys = QStringLiteral("Szeged");
    d.UserCim = QStringLiteral("Kárász u. 5.");
    d.UserTelefon = QStringLiteral("62/123-456");
    return d;
}

// One use of the dialog: the record it edits and every write to the store.
struct Session
{
    explicit Session(const TUserData& initial = TUserData {}, bool cancelEnabled = true)
        : data(initial)
    {
        form = std::make_unique<TUserDataForm>(nullptr, data, [this](const TUserData& d) { stored.append(d); });
        form->CancelBtn->setEnabled(cancelEnabled);
        test::showActive(form.get());
    }
    void destroy() { form.reset(); }
    ~Session()
    {
        if (form)
            form->QDialog::done(QDialog::Rejected);
    }

    void fill(const QString& id, const QString& name, const QString& irsz, const QString& helys, const QString& cim,
              const QString& tel = {})
    {
        typeInto(form->UserID, id);
        typeInto(form->UserName, name);
        typeInto(form->UserIrsz, irsz);
        typeInto(form->UserHelys, helys);
        typeInto(form->UserCim, cim);
        typeInto(form->UserTel, tel);
    }

    TUserData data;
    QList<TUserData> stored;
    ScriptedMessages messages;
    std::unique_ptr<TUserDataForm> form;
};

} // namespace

TEST(UserDataForm, ControlsTabOrderAndHelp)
{
    QStringList topics;
    Help::setRequestObserver([&](const QString& t) { topics.append(t); });
    Session s(validData());
    TUserDataForm& f = *s.form;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Partner adatok"));
    EXPECT_EQ(f.Label6->text(), QStringLiteral("Kérjük adja meg üzletszámát és számlázási adatait."));
    EXPECT_TRUE(f.Label6->wordWrap());
    EXPECT_EQ(f.UserIrsz->maxLength(), 4);
    EXPECT_TRUE(f.OKBtn->isDefault());
    EXPECT_EQ(f.CancelBtn->text(), QStringLiteral("Mégse"));
    EXPECT_EQ(f.HelpBtn->text(), QStringLiteral("Súgó"));
    EXPECT_EQ(QApplication::focusWidget(), f.UserID);
    const QList<QWidget*> order
        = {f.UserID, f.UserName, f.UserHelys, f.UserCim, f.UserIrsz, f.UserTel, f.OKBtn, f.CancelBtn, f.HelpBtn};
    EXPECT_EQ(test::tabChain(f.UserID), order);

    // The fields show the record.
    EXPECT_EQ(f.UserID->text(), QStringLiteral("42"));
    EXPECT_EQ(f.UserCim->text(), QStringLiteral("Kárász u. 5."));
    EXPECT_EQ(f.UserTel->text(), QStringLiteral("62/123-456"));

    // The postal code takes four characters.
    typeInto(f.UserIrsz, QStringLiteral("123456"));
    EXPECT_EQ(f.UserIrsz->text(), QStringLiteral("1234"));

    // F1 and "Súgó" open the topic and keep the dialog and its fields.
    QTest::keyClick(f.UserCim, Qt::Key_F1);
    f.HelpBtn->click();
    Help::setRequestObserver({});
    EXPECT_EQ(topics, QStringList(2, QStringLiteral("userdata.html")));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.UserCim->text(), QStringLiteral("Kárász u. 5."));
}

TEST(UserDataForm, ShopNumbers)
{
    {
        // The first start shows 0, which OK refuses.
        Session s;
        EXPECT_EQ(s.form->UserID->text(), QStringLiteral("0"));
        EXPECT_TRUE(s.form->UserName->text().isEmpty());
        s.form->OKBtn->click();
        EXPECT_TRUE(s.form->isVisible());
        EXPECT_EQ(s.messages.texts(), QStringList {TUserDataForm::kBadShopText});
        EXPECT_EQ(s.messages.shown().first().kind, MessageKind::Error);
        EXPECT_EQ(QApplication::focusWidget(), s.form->UserID);
    }
    const QStringList refused
        = {QStringLiteral("0"),   QStringLiteral("-5"),          QStringLiteral("12a"), QString(),
           QStringLiteral("1 2"), QStringLiteral("99999999999"), QStringLiteral("+"),   QStringLiteral("2147483648")};
    for (const QString& id : refused) {
        SCOPED_TRACE(id.toStdString());
        Session s;
        s.fill(id, QStringLiteral("Név"), QStringLiteral("1234"), QStringLiteral("Hely"), QStringLiteral("Cím"));
        s.form->OKBtn->click();
        EXPECT_TRUE(s.form->isVisible());
        EXPECT_EQ(s.messages.texts(), QStringList {TUserDataForm::kBadShopText});
        EXPECT_EQ(s.data.UserID, 0);
        EXPECT_EQ(QApplication::focusWidget(), s.form->UserID);
    }
    for (const auto& [typed, value] : {std::pair {QStringLiteral("00123"), 123},
                                       {QStringLiteral(" 7"), 7},
                                       {QStringLiteral("2147483647"), 2147483647}}) {
        SCOPED_TRACE(typed.toStdString());
        Session s;
        s.fill(typed, QStringLiteral("Név"), QStringLiteral("1234"), QStringLiteral("Hely"), QStringLiteral("Cím"));
        s.form->OKBtn->click();
        EXPECT_FALSE(s.form->isVisible());
        EXPECT_TRUE(s.messages.texts().isEmpty());
        EXPECT_EQ(s.data.UserID, value);
        s.destroy();
        ASSERT_EQ(s.stored.size(), 1);
        EXPECT_EQ(s.stored.first().UserID, value);
        // Next time the field shows the number as stored.
        Session again(s.stored.first());
        EXPECT_EQ(again.form->UserID->text(), QString::number(value));
    }
}

TEST(UserDataForm, ChecksRunInTheirOrderPostalCodeThird)
{
    struct Case
    {
        const char* name;
        QString id, userName, irsz, helys, cim;
        QString message;
        const char* focus;
    };
    const QList<Case> cases = {
        {"name blank", "5", "   ", "", "", "", TUserDataForm::kNameText, "UserName"},
        {"postal code before town", "5", "N", " ", "", "", TUserDataForm::kIrszText, "UserIrsz"},
        {"town", "5", "N", "1", "\t", "", TUserDataForm::kHelysText, "UserHelys"},
        {"address", "5", "N", "1", "H", " ", TUserDataForm::kCimText, "UserCim"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Session s;
        s.fill(c.id, c.userName, c.irsz, c.helys, c.cim);
        s.form->OKBtn->click();
        EXPECT_TRUE(s.form->isVisible());
        EXPECT_EQ(s.messages.texts(), QStringList {c.message});
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(c.focus));
        EXPECT_EQ(s.data, TUserData {});
        // The fields stay as typed.
        EXPECT_EQ(s.form->UserName->text(), c.userName);
    }
}

TEST(UserDataForm, AcceptedTextsAreStoredAsTypedWithoutTelephone)
{
    Session s;
    s.fill(QStringLiteral("15"), QStringLiteral("  Kép Kft."), QStringLiteral("1011"), QStringLiteral("Budapest "),
           QStringLiteral("Fő u. 1."));
    s.form->OKBtn->click();
    EXPECT_FALSE(s.form->isVisible());
    EXPECT_EQ(s.form->result(), QDialog::Accepted);
    EXPECT_EQ(s.data.UserName, QStringLiteral("  Kép Kft."));
    EXPECT_EQ(s.data.UserHelys, QStringLiteral("Budapest "));
    EXPECT_EQ(s.data.UserIrsz, QStringLiteral("1011"));
    EXPECT_EQ(s.data.UserCim, QStringLiteral("Fő u. 1."));
    EXPECT_TRUE(s.data.UserTelefon.isEmpty());
    EXPECT_TRUE(s.stored.isEmpty()); // written when the dialog is destroyed
    s.destroy();
    ASSERT_EQ(s.stored.size(), 1);
    EXPECT_EQ(s.stored.first(), s.data);
}

TEST(UserDataForm, CancelLeavesTheRecordAndWritesItAgain)
{
    const TUserData before = validData();
    const QList<std::pair<const char*, std::function<void(TUserDataForm&)>>> ways = {
        {"Mégse", [](TUserDataForm& f) { f.CancelBtn->click(); }},
        {"Esc", [](TUserDataForm& f) { QTest::keyClick(f.UserName, Qt::Key_Escape); }},
        {"close box", [](TUserDataForm& f) { f.close(); }},
    };
    for (const auto& [how, close] : ways) {
        SCOPED_TRACE(how);
        Session s(before);
        s.fill(QStringLiteral("abc"), QString(), QString(), QString(), QString());
        close(*s.form);
        EXPECT_FALSE(s.form->isVisible());
        EXPECT_TRUE(s.messages.texts().isEmpty());
        EXPECT_EQ(s.data, before);
        s.destroy();
        EXPECT_EQ(s.stored, QList<TUserData> {before});
    }
}

TEST(UserDataForm, WithCancelDisabledOnlyValidDataLeaves)
{
    Session s(TUserData {}, false);
    QTest::keyClick(s.form->UserName, Qt::Key_Escape);
    EXPECT_TRUE(s.form->isVisible());
    EXPECT_TRUE(s.messages.texts().isEmpty());

    s.fill(QStringLiteral("9"), QString(), QStringLiteral("1"), QStringLiteral("H"), QStringLiteral("C"));
    s.form->close();
    EXPECT_TRUE(s.form->isVisible());
    EXPECT_EQ(s.messages.texts(), QStringList {TUserDataForm::kNameText});

    s.messages.clear();
    typeInto(s.form->UserName, QStringLiteral("N"));
    s.form->close();
    EXPECT_FALSE(s.form->isVisible());
    EXPECT_TRUE(s.messages.texts().isEmpty());
    EXPECT_EQ(s.data.UserID, 9);
    EXPECT_EQ(s.data.UserName, QStringLiteral("N"));
}
