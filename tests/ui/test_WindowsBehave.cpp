// The program's windows driven with the real message boxes and the real help
// window, not the scripted stand-ins: what the close box of a question means,
// and that the help window stays usable beside every dialog. The
// UnderWindowManager cases need a real X11 display with a window manager,
// whose focus comes back late after a box; tests/scripts/test_windows.sh
// runs them under Xvfb and openbox, pressing keys with xdotool.
#include "core/UserData.h"
#include "platform/SettingsStore.h"
#include "tests/output/OrderFixtures.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/ModalScript.h"
#include "ui/help/Help.h"
#include "ui/main/MainForm.h"
#include "ui/order/EnvelopeEdit.h"
#include "ui/order/SaveMegrForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace pelmar;
using namespace pelmar::test;

namespace {

class RealWindows : public ::testing::Test
{
protected:
    TempDir dir;
    std::unique_ptr<MainForm> form;
    QStringList chosen;

    void SetUp() override
    {
        const QString settings = dir.file(QStringLiteral("config/settings.sqlite"));
        {
            SettingsStore store(settings);
            ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
            ASSERT_TRUE(store.writeString(QStringLiteral("0"), QStringLiteral("9x13|85|300x450|100x150")));
        }
        Help::setHelpFile(QCoreApplication::applicationDirPath() + QStringLiteral("/pelmarorder.chm"));
        form = std::make_unique<MainForm>(nullptr, settings);
        form->setShowWelcome(false);
        form->setPictureChooser([this] { return chosen; });
        form->show();
        QTest::qWait(1);
    }

    void TearDown() override
    {
        Help::closeWindow();
        Help::setHelpFile({});
        // Nothing may ask any more when the fixture goes.
        ModalScript rest;
        form.reset();
    }

    QAction* action(const char* name) { return form->findChild<QAction*>(QLatin1String(name)); }

    int lines() { return form->order().lineCount(); }

    // Three pictures in the order, the middle one selected.
    void threeLinesSecondSelected()
    {
        chosen.clear();
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            chosen << writeJpeg(dir.file(QLatin1String(name)), 150, 100, 52000);
        action("AddPic")->trigger();
        ASSERT_EQ(lines(), 3);
        form->selection()->clearSelection();
        form->selection()->select(form->order().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

class UnderWindowManager : public RealWindows
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")
            || qEnvironmentVariableIsEmpty("PELMAR_WINDOW_MANAGER"))
            GTEST_SKIP()
                << "needs X11 with a window manager: tests/scripts/test_windows.sh runs it under Xvfb and openbox";
        RealWindows::SetUp();
        // A window manager on a busy machine may map the window before it
        // gives it the focus; asked for, as a launcher does.
        form->activateWindow();
        ASSERT_TRUE(hasXFocus(form.get()));
    }

    // Keys as the X server delivers them, to the window that has the focus.
    static void keys(const QString& which)
    {
        QProcess::execute(QStringLiteral("xdotool"),
                          QStringList {QStringLiteral("key")} + which.split(QLatin1Char(' ')));
    }
    static void type(const QString& text)
    {
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
    }
    // Waits until the X server sends the keys to `window`, which comes a
    // moment after Qt takes it for active.
    static bool hasXFocus(QWidget* window)
    {
        return QTest::qWaitFor(
            [window] {
                QProcess p;
                p.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")});
                p.waitForFinished(2000);
                return p.readAllStandardOutput().trimmed().toULongLong() == window->winId();
            },
            15000);
    }
    // The next box answered by `key` once it has the focus; refused (the
    // test fails, it does not hang) when it never gets it.
    static ModalScript::Step pressWhenActive(const QString& key)
    {
        return [key](QWidget* box) {
            if (hasXFocus(box))
                keys(key);
            else
                QMetaObject::invokeMethod(box, "reject");
        };
    }
};

QMessageBox* asBox(QWidget* dialog)
{
    auto* box = qobject_cast<QMessageBox*>(dialog);
    EXPECT_NE(box, nullptr) << dialog->metaObject()->className();
    return box;
}

QStringList buttonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* b : box->buttons())
        texts << b->text();
    texts.sort();
    return texts;
}

} // namespace

// The delete question: Esc is "Nem" and keeps the line; the close box is no
// answer at all, which counts as consent.
TEST_F(RealWindows, DeleteQuestionEscKeepsAndCloseBoxDeletes)
{
    threeLinesSecondSelected();
    {
        ModalScript script;
        script.then([](QWidget* dialog) {
            QMessageBox* box = asBox(dialog);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Kérdés"));
            EXPECT_EQ(buttonTexts(box), QStringList({QStringLiteral("&Igen"), QStringLiteral("&Nem")}));
            QTest::keyClick(box, Qt::Key_Escape);
        });
        action("DelPic")->trigger();
        EXPECT_EQ(script.pendingSteps(), 0);
    }
    EXPECT_EQ(lines(), 3);

    {
        ModalScript script;
        script.then([](QWidget* dialog) { dialog->close(); });
        action("DelPic")->trigger();
        EXPECT_EQ(script.pendingSteps(), 0);
    }
    EXPECT_EQ(lines(), 2);
    EXPECT_EQ(form->order().line(1).Caption, QStringLiteral("c.jpg"));
}

// The exit question: only "Nem" (Esc) keeps the program open; its close box
// closes the window like "Igen".
TEST_F(RealWindows, ExitQuestionCloseBoxClosesAndEscKeepsTheWindow)
{
    threeLinesSecondSelected();
    {
        ModalScript script;
        script.then([](QWidget* dialog) {
            QMessageBox* box = asBox(dialog);
            ASSERT_TRUE(box);
            EXPECT_TRUE(box->text().startsWith(QStringLiteral("Megrendelését még nem mentette!")));
            QTest::keyClick(box, Qt::Key_Escape);
        });
        EXPECT_FALSE(form->close());
        EXPECT_EQ(script.pendingSteps(), 0);
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(lines(), 3);

    {
        ModalScript script;
        script.then([](QWidget* dialog) { dialog->close(); });
        EXPECT_TRUE(form->close());
        EXPECT_EQ(script.pendingSteps(), 0);
    }
    EXPECT_FALSE(form->isVisible());
}

// Each dialog that has a help topic leaves the help window usable: a click in
// its contents while the dialog is open opens the topic.
TEST_F(RealWindows, HelpWindowIsUsableBesideEveryDialog)
{
    threeLinesSecondSelected();
    struct Case
    {
        const char* action;
        const char* helpButton;
    };
    const Case cases[] = {{"OutputMegr", "HelpBtn"}, {"ShowPrices", "HelpBtn"}, {"UserData", "HelpBtn"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        Help::closeWindow();
        QString topicAfterClick;
        bool reached = false;
        ModalScript script;
        script.then([&](QWidget* dialog) {
            reached = true;
            auto* help = dialog->findChild<QPushButton*>(QLatin1String(c.helpButton));
            ASSERT_TRUE(help);
            help->click();
            HelpWindow* w = Help::window();
            ASSERT_TRUE(w);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
            // A click through the window system, where a modal dialog would
            // swallow it.
            QTreeWidget* tree = w->contentsTree();
            QTreeWidgetItem* item = nullptr;
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                if ((*it)->data(0, Qt::UserRole).toString() == QLatin1String("whatsnew.html"))
                    item = *it;
            ASSERT_TRUE(item);
            tree->scrollToItem(item);
            const QPoint inWindow = tree->viewport()->mapTo(w, tree->visualItemRect(item).center());
            QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, inWindow);
            (void)QTest::qWaitFor([&] { return w->currentTopic() == QLatin1String("whatsnew.html"); }, 2000);
            topicAfterClick = w->currentTopic();
            QMetaObject::invokeMethod(dialog, "reject");
        });
        action(c.action)->trigger();
        EXPECT_TRUE(reached);
        EXPECT_EQ(script.seen().size(), 1) << script.seen().join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(topicAfterClick, QStringLiteral("whatsnew.html"));
    }
}

// Esc after the envelope field's refusal brings back the field's text and
// keeps the dialog, with what was typed into it, open; the focus that comes
// back from the window manager after the box is no new entry into the field.
TEST_F(UnderWindowManager, EscAfterTheEnvelopeRefusalRestoresTheFieldAndKeepsTheDialog)
{
    threeLinesSecondSelected();
    TSaveMegrForm dialog(form.get(), form->order(), examplePartner(), {});
    dialog.show();
    ASSERT_TRUE(hasXFocus(&dialog));
    // The dialog, open before the script, is the one driven; the script
    // meets only the refusal's box.
    ModalScript script;
    script.then(pressWhenActive(QStringLiteral("Return")));
    type(QStringLiteral("Kiss Anna"));
    keys(QStringLiteral("Tab Tab Tab Tab")); // VevoHelys, VevoCim, VevoIrsz, TasakNo
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.TasakNo->hasFocus(); }, 3000));
    type(QStringLiteral("12"));
    keys(QStringLiteral("Tab"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.pendingSteps() == 0; }, 10000));
    ASSERT_TRUE(hasXFocus(&dialog));
    keys(QStringLiteral("Escape"));
    QTest::qWait(300);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.VevoNev->text(), QStringLiteral("Kiss Anna"));
    EXPECT_EQ(dialog.TasakNo->text(), QStringLiteral("000000"));
    EXPECT_TRUE(dialog.TasakNo->hasFocus());
}

// After a build and "Nem" to the disc question the main window is active
// again: its shortcuts work without a click.
TEST_F(UnderWindowManager, MainWindowIsActiveAfterTheBuildAndTheDiscQuestion)
{
    threeLinesSecondSelected();
    PartnerData() = examplePartner();
    ModalScript script;
    script.then([&](QWidget* dialog) {
        auto* order = qobject_cast<TSaveMegrForm*>(dialog);
        ASSERT_TRUE(order);
        order->CBPrintData->setChecked(false);
        order->OutputFolder->setText(dir.file(QStringLiteral("rendeles/")));
        // Out of this step, so the script meets the build's boxes.
        QTimer::singleShot(0, order->MegrBtn, &QPushButton::click);
    });
    script.then(pressWhenActive(QStringLiteral("Return"))); // where the order folder is
    script.then(pressWhenActive(QStringLiteral("alt+n"))); // no disc now
    action("OutputMegr")->trigger();
    PartnerData() = TUserData {};
    EXPECT_EQ(script.pendingSteps(), 0);
    EXPECT_EQ(lines(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }, 3000));
    ASSERT_TRUE(hasXFocus(form.get()));
    bool chooserOpened = false;
    form->setPictureChooser([&] {
        chooserOpened = true;
        return QStringList();
    });
    keys(QStringLiteral("ctrl+o"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return chooserOpened; }, 3000));
}
