#pragma once

// Drives the real main window on the offscreen platform: its settings in a
// scratch database, the open-picture dialog replaced by a list of files, and
// every message box answered by script.

#include "platform/SettingsStore.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/Printers.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/MainFormParts.h"
#include "ui/main/MainForm.h"

#include "ui/common/MessageBox.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

namespace pelmar::test {

// Minimum 100 high and 150 wide, so small pictures keep the tests quick.
inline const QString kPrice9x13 = QStringLiteral("9x13|85|300x450|100x150");
inline const QString kPrice10x15 = QStringLiteral("10x15|120|400x600|200x300");
inline const QString kPrice13x18 = QStringLiteral("13x18|250|500x700|300x400");

class MainFormTest : public ::testing::Test
{
protected:
    TempDir dir;
    ScriptedMessages messages;
    std::unique_ptr<MainForm> form;
    QStringList chosen;

    QString settingsPath() const { return dir.file(QStringLiteral("config/settings.sqlite")); }

    // Stores a price list (and Values) the way a previous run would have.
    void storePrices(const QStringList& prices, const QList<QPair<QString, int>>& values = {})
    {
        SettingsStore store(settingsPath());
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
        for (int i = 0; i < prices.size(); ++i)
            ASSERT_TRUE(store.writeString(QString::number(i), prices[i]));
        if (!values.isEmpty()) {
            ASSERT_TRUE(store.openKey(kSettingsValuesKey, true));
            for (const auto& v : values)
                ASSERT_TRUE(store.writeInteger(v.first, v.second));
        }
    }

    void openForm(bool show = true)
    {
        form = std::make_unique<MainForm>(nullptr, settingsPath());
        form->setShowWelcome(false);
        form->setPictureChooser([this] { return chosen; });
        if (show) {
            form->show();
            QTest::qWait(1);
        }
    }

    // The usual start: three sizes, 9x13 selected.
    void openWithPrices()
    {
        storePrices({kPrice9x13, kPrice10x15, kPrice13x18});
        openForm();
    }

    QString jpeg(const QString& name, int width, int height, qint64 bytes = 52000) const
    {
        return writeJpeg(dir.file(name), width, height, bytes);
    }

    QString file(const QString& name, const QByteArray& bytes) const { return dir.write(name, bytes); }

    // The add run through its command, as the user gives it.
    void add(const QStringList& files)
    {
        chosen = files;
        AddPic(*form)->trigger();
    }

    void select(const QList<int>& rows)
    {
        QItemSelectionModel* sel = form->selection();
        sel->clearSelection();
        for (int r : rows)
            sel->select(form->order().index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // The preview picture once the workers are done with what was asked.
    PreviewPicture& settledPreview()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->pictureDecoder().idle(); }, 20000));
        QCoreApplication::processEvents();
        return form->previewPicture();
    }

    const OrderLine& line(int row) { return form->order().line(row); }
    int lines() { return form->order().lineCount(); }
    QString status() { return form->statusText(); }
    bool statusIconShown() { return !ImgInfo(*form)->pixmap().isNull(); }
};

} // namespace pelmar::test
