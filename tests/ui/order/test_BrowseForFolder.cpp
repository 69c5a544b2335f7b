#include "core/AppError.h"
#include "tests/output/OrderFixtures.h"
#include "tests/support/TempDir.h"
#include "ui/common/MessageBox.h"
#include "ui/order/BrowseForFolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

TEST(BrowseForFolder, OptionsAreCompletedOnAssignment)
{
    TBrowseForFolderDialog bfd;
    EXPECT_EQ(bfd.Options(), TBrowseOptions());
    bfd.setOptions(bfShareable);
    EXPECT_EQ(bfd.Options(), bfShareable | bfNewStyle);
    bfd.setOptions(bfValidate);
    EXPECT_EQ(bfd.Options(), bfValidate | bfEditBox);
    bfd.setOptions(bfIncludeURLs);
    EXPECT_EQ(bfd.Options(), bfIncludeURLs | bfEditBox | bfNewStyle | bfIncludeFiles);
    bfd.setOptions(bfReturnOnlyFSDirs);
    EXPECT_EQ(bfd.Options(), TBrowseOptions(bfReturnOnlyFSDirs));
}

TEST(BrowseForFolder, CustomFolderAndSystemFolderRules)
{
    TempDir dir;
    TBrowseForFolderDialog bfd;
    EXPECT_EQ(bfd.SystemFolder(), sfDesktop);
    bfd.setCustomFolder(dir.file("missing"));
    EXPECT_EQ(bfd.SystemFolder(), sfDesktop);
    EXPECT_TRUE(bfd.CustomFolder().isEmpty());
    const QString file = dir.write("f.txt", "x");
    bfd.setCustomFolder(file);
    EXPECT_EQ(bfd.SystemFolder(), sfDesktop) << "a file is not a folder";
    bfd.setCustomFolder(dir.path());
    EXPECT_EQ(bfd.SystemFolder(), sfCustom);
    EXPECT_EQ(bfd.CustomFolder(), dir.path());
    EXPECT_EQ(bfd.rootFolder(), dir.path());
    bfd.setSystemFolder(sfCustom);
    EXPECT_EQ(bfd.CustomFolder(), dir.path());
    bfd.setSystemFolder(sfProfile);
    EXPECT_TRUE(bfd.CustomFolder().isEmpty());
    EXPECT_EQ(bfd.rootFolder(), QDir::homePath());
}

TEST(BrowseForFolder, SpecialFolderNumbersAndMapping)
{
    EXPECT_EQ(kSystemFolderCount, 47);
    EXPECT_EQ(ShellFolderNumber(sfDesktop), 0);
    EXPECT_EQ(ShellFolderNumber(sfStartMenu), 11);
    EXPECT_EQ(ShellFolderNumber(sfDesktopDir), 16);
    EXPECT_EQ(ShellFolderNumber(sfPersonal), 5);
    EXPECT_EQ(ShellFolderNumber(sfMyPictures), 39);
    EXPECT_EQ(ShellFolderNumber(sfConnections), 49);
    EXPECT_EQ(ShellFolderNumber(sfCustom), -1);

    int mapped = 0;
    for (int i = 0; i < kSystemFolderCount; ++i) {
        const QString path = SystemFolderPath(TSystemFolder(i));
        if (!path.isEmpty()) {
            ++mapped;
            EXPECT_TRUE(QDir::isAbsolutePath(path)) << i;
        }
    }
    EXPECT_GE(mapped, 20);
    EXPECT_FALSE(SystemFolderPath(sfDesktop).isEmpty());
    EXPECT_EQ(SystemFolderPath(sfDrives), "/");
    EXPECT_TRUE(SystemFolderPath(sfControlPanel).isEmpty());
    EXPECT_TRUE(SystemFolderPath(sfCustom).isEmpty());
}

TEST(BrowseForFolder, UnresolvableRootFailsBeforeAnyWindow)
{
    TBrowseForFolderDialog bfd;
    bool initialized = false;
    bfd.OnInitialized = [&](TBrowseForFolderDialog*, QWidget*) { initialized = true; };
    bfd.setSystemFolder(sfPrinters);
    try {
        bfd.Execute();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), "The specified folder does not exists!");
    }
    bfd.setSystemFolder(sfCustom); // with no custom folder
    EXPECT_THROW(bfd.Execute(), AppError);
    EXPECT_FALSE(initialized);
}

TEST(BrowseForFolder, InitializedSelectPathConfirmAndCancel)
{
    TempDir dir;
    QDir().mkpath(dir.file("root/a"));
    TBrowseForFolderDialog bfd;
    bfd.setCustomFolder(dir.file("root"));
    int initialized = 0;
    QString startedIn;
    QStringList selections;
    bfd.OnSelectionChanged
        = [&](TBrowseForFolderDialog*, QWidget*, const QString&, const QString& path) { selections << path; };
    bfd.OnInitialized = [&](TBrowseForFolderDialog* sender, QWidget* window) {
        ++initialized;
        EXPECT_EQ(window, sender->browser());
        sender->SelectPath(dir.file("root/missing")); // keeps the selection
        startedIn = sender->browser()->directory().absolutePath();
        sender->SelectPath(dir.file("root/a/"));
        QTimer::singleShot(0, sender->browser(), [sender] { QMetaObject::invokeMethod(sender->browser(), "accept"); });
    };
    ASSERT_TRUE(bfd.Execute());
    EXPECT_EQ(initialized, 1);
    EXPECT_EQ(startedIn, dir.file("root"));
    EXPECT_EQ(bfd.SelectedPath(), dir.file("root/a"));
    EXPECT_TRUE(selections.contains(dir.file("root/a")));
    EXPECT_EQ(bfd.browser(), nullptr);

    // A cancelled run keeps the previous result.
    bfd.OnInitialized = [](TBrowseForFolderDialog* sender, QWidget*) {
        QTimer::singleShot(0, sender->browser(), [sender] { sender->browser()->reject(); });
    };
    EXPECT_FALSE(bfd.Execute());
    EXPECT_EQ(bfd.SelectedPath(), dir.file("root/a"));
    bfd.SelectPath(dir.path()); // no picker open: nothing happens
}

TEST(BrowseForFolder, ValidationOfATypedName)
{
    TempDir dir;
    TBrowseForFolderDialog bfd;
    bfd.setCustomFolder(dir.path());
    bfd.setOptions(bfValidate);
    QStringList invalid;
    bfd.OnValidateFailed = [&](TBrowseForFolderDialog*, QWidget*, const QString& name, bool& keep) {
        invalid << name;
        keep = invalid.size() < 2; // the second failure closes the picker
    };
    bfd.OnInitialized = [&](TBrowseForFolderDialog* sender, QWidget*) {
        QTimer::singleShot(0, sender->browser(), [&, sender] {
            sender->browser()->findChild<QLineEdit*>("fileNameEdit")->setText(dir.file("nope"));
            QMetaObject::invokeMethod(sender->browser(), "accept");
            EXPECT_NE(sender->browser(), nullptr) << "kept open";
            QMetaObject::invokeMethod(sender->browser(), "accept");
        });
    };
    EXPECT_FALSE(bfd.Execute());
    EXPECT_EQ(invalid.size(), 2);
    EXPECT_TRUE(invalid[0].endsWith("nope"));

    // Without a handler: the program's error box with the typed name.
    ScriptedMessages script;
    bfd.OnValidateFailed = nullptr;
    bfd.OnInitialized = [&](TBrowseForFolderDialog* sender, QWidget*) {
        QTimer::singleShot(0, sender->browser(), [&, sender] {
            sender->browser()->findChild<QLineEdit*>("fileNameEdit")->setText(dir.file("nope"));
            QMetaObject::invokeMethod(sender->browser(), "accept");
            sender->browser()->reject();
        });
    };
    EXPECT_FALSE(bfd.Execute());
    ASSERT_EQ(script.shown().size(), 1);
    EXPECT_EQ(script.shown()[0].text, "The user input(" + dir.file("nope") + ") is not valid!");
}
