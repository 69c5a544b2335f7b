#include "platform/SettingsStore.h"
#include "tests/support/TempDir.h"
#include "ui/common/MessageBox.h"
#include "ui/settings/SettingsNotice.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

// The box names the file the damaged database was kept under, and a clean
// start shows nothing.
TEST(SettingsNotice, DamagedDatabaseIsReportedOnceWithItsNewName)
{
    TempDir dir;
    const QString damaged = dir.write(QStringLiteral("damaged.sqlite"), QByteArray(4096, '\xff'));
    ScriptedMessages messages;
    {
        SettingsStore store(damaged);
        ASSERT_FALSE(store.setAsidePath().isEmpty());
        reportSetAside(nullptr, store);
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown().front().kind, MessageKind::Information);
        EXPECT_EQ(messages.shown().front().text, settingsStateMessage(store));
        EXPECT_TRUE(messages.shown().front().text.endsWith(QDir::toNativeSeparators(store.setAsidePath())));
    }
    messages.clear();
    SettingsStore healthy(damaged); // recreated clean by the first open
    EXPECT_TRUE(healthy.setAsidePath().isEmpty());
    reportSetAside(nullptr, healthy);
    EXPECT_TRUE(messages.shown().isEmpty());
}
