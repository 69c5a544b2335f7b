// The program's windows driven with the real message boxes and the real help
// window, not the scripted stand-ins: what the close box of a question means,
// and that the help window stays usable beside every dialog.
#include "platform/SettingsStore.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/ModalScript.h"
#include "ui/help/Help.h"
#include "ui/main/MainForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
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
