// Every window and dialog of the program, opened one after the other as the
// user meets them: no caption, label or button text is narrower or lower than
// its text needs. With PELMAR_SCREENSHOTS=DIR each window is also saved as
// DIR/<name>.png, taken from the screen (tools/screenshots runs this test on
// Xvfb so the pictures show what an X11 desktop draws). With
// PELMAR_GALLERY_HOLD=DIR each window is held open, the event loop running,
// until a screen reader's view of it was read (tests/scripts/
// test_accessible_names.sh walks it over AT-SPI).

#include "delivery/SshKeyPair.h"
#include "platform/SettingsStore.h"
#include "reports/QRMegr.h"
#include "tests/output/OrderFixtures.h"
#include "tests/reports/ReportFiles.h"
#include "tests/support/HelpSources.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/LocalSshServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/ModalScript.h"
#include "ui/common/FileDialogLook.h"
#include "ui/common/MessageBox.h"
#include "ui/common/ProgramSetup.h"
#include "ui/delivery/LabConnectionForm.h"
#include "ui/delivery/LabSending.h"
#include "ui/delivery/SendsWindow.h"
#include "ui/disc/DiscWriteDialog.h"
#include "ui/help/Help.h"
#include "ui/main/MainForm.h"
#include "ui/main/OpenPictureDialog.h"
#include "ui/main/PhoneBatch.h"
#include "ui/order/BrowseForFolderDialog.h"
#include "ui/order/SaveMegrForm.h"
#include "ui/preview/PreviewForm.h"
#include "ui/report/ReportPreview.h"
#include "ui/settings/AboutForm.h"
#include "ui/settings/UpdatePricesForm.h"
#include "ui/settings/UserDataForm.h"
#include "ui/settings/WelcomeForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

namespace {

// The names in a list of places or topics (a list, or a tree without
// header) that reach beyond its visible width.
QStringList cutItems(QWidget* w)
{
    auto* view = qobject_cast<QAbstractItemView*>(w);
    auto* tree = qobject_cast<QTreeView*>(w);
    if (!view || !view->model() || !(qobject_cast<QListView*>(w) || (tree && tree->isHeaderHidden())))
        return {};
    QStringList cut;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < view->model()->rowCount(parent); ++row) {
            const QModelIndex index = view->model()->index(row, 0, parent);
            const int right = view->visualRect(index).left() + view->sizeHintForIndex(index).width();
            if (right > view->viewport()->width())
                cut << QStringLiteral("%1: %2 (reaches %3 of %4)")
                           .arg(w->objectName(), index.data().toString())
                           .arg(right)
                           .arg(view->viewport()->width());
            if (tree && tree->isExpanded(index))
                walk(index);
        }
    };
    walk(view->rootIndex());
    return cut;
}

// The texts of `window` that do not get the room they need, each as
// "object name: text (has w x h, needs w x h)".
QStringList cutTexts(QWidget* window)
{
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window))
            continue;
        QString text;
        QSize need;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || !label->pixmap().isNull())
                continue;
            text = label->text();
            need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->minimumSizeHint();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            auto* tool = qobject_cast<QToolButton*>(w);
            if (button->text().isEmpty() || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly))
                continue;
            text = button->text();
            need = button->minimumSizeHint();
        } else {
            cut << cutItems(w);
            continue;
        }
        if (w->width() < need.width() || w->height() < need.height())
            cut << QStringLiteral("%1: %2 (has %3 x %4, needs %5 x %6)")
                       .arg(w->objectName(), text.left(40))
                       .arg(w->width())
                       .arg(w->height())
                       .arg(need.width())
                       .arg(need.height());
    }
    return cut;
}

// Announces the window as DIR/<name>.ready (its title inside, whole before
// the name appears) and answers the accessibility bus until the reader has
// removed the file.
void holdForReader(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("PELMAR_GALLERY_HOLD");
    if (folder.isEmpty())
        return;
    const QString ready = folder + u'/' + name + QStringLiteral(".ready");
    QFile file(ready + QStringLiteral(".part"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(window->windowTitle().toUtf8()) >= 0 && file.flush());
    file.close();
    ASSERT_TRUE(file.rename(ready));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(ready); }, 60000)) << name.toStdString();
}

// Waits for the window on the screen, checks its texts and keeps its
// picture when asked to.
void look(QWidget* window, const QString& name)
{
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(cutTexts(window), QStringList());
    holdForReader(window, name);
    const QString folder = qEnvironmentVariable("PELMAR_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    // The window system draws after the exposure; the picture wants that.
    QTest::qWait(50);
    QDir().mkpath(folder);
    // From the screen where there is one, so the picture is what the window
    // system shows; the offscreen platform has none to give.
    QPixmap shot = window->screen()->grabWindow(window->winId());
    if (shot.isNull() || QGuiApplication::platformName() == u"offscreen")
        shot = window->grab();
    EXPECT_TRUE(shot.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// Shows a window of its own (not modal), looks at it and closes it.
void lookAtWindow(QWidget& window, const QString& name)
{
    window.show();
    look(&window, name);
    window.close();
}

// Runs `open`, which shows a modal dialog, and looks at that dialog; `also`
// checks more of it.
void lookAtModal(const std::function<void()>& open, const QString& name, const std::function<void(QWidget*)>& also = {})
{
    ModalScript script;
    bool seen = false;
    script.then([&](QWidget* dialog) {
        seen = true;
        look(dialog, name);
        if (also)
            also(dialog);
        if (dialog->isVisible())
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    });
    open();
    EXPECT_TRUE(seen) << name.toStdString();
}

} // namespace

TEST(Gallery, EveryWindowHasRoomForItsTexts)
{
    // As the program starts: its translation, locale, icon and accent room.
    setUpApplication(*qApp);
    // PELMAR_GALLERY_PALETTE=dark: as under a dark desktop theme.
    if (qEnvironmentVariable("PELMAR_GALLERY_PALETTE") == u"dark")
        QApplication::setPalette(QPalette(QColor(0x35, 0x38, 0x3c), QColor(0x2a, 0x2d, 0x30)));
    TempDir dir;
    const QString settings = dir.file(QStringLiteral("config/settings.sqlite"));
    {
        SettingsStore store(settings);
        ASSERT_TRUE(store.openKey(kSettingsPricesKey, true));
        ASSERT_TRUE(store.writeString(QStringLiteral("0"), QStringLiteral("9x13|85|300x450|100x150")));
        ASSERT_TRUE(store.writeString(QStringLiteral("1"), QStringLiteral("10x15|120|400x600|200x300")));
    }
    QDir().mkpath(dir.file(QStringLiteral("Őszi fényképek")));
    QStringList pictures {writeJpeg(dir.file(QStringLiteral("Őszi fényképek/első.jpg")), 640, 480, 52000),
                          writeJpeg(dir.file(QStringLiteral("Őszi fényképek/második.jpg")), 480, 640, 52000)};
    MainForm form(nullptr, settings);
    form.setShowWelcome(false);
    form.setPictureChooser([&] { return pictures; });
    form.resize(800, 600);
    form.show();
    form.findChild<QAction*>(QStringLiteral("AddPic"))->trigger();
    ASSERT_EQ(form.order().lineCount(), 2);
    form.selection()->setCurrentIndex(form.order().index(0, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // The preview's picture decoded for this screen before it is looked at.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.pictureDecoder().idle(); }, 20000));
    QCoreApplication::processEvents();
    look(&form, QStringLiteral("main"));

    TWelcomeForm welcome(&form);
    lookAtWindow(welcome, QStringLiteral("welcome"));
    TUserData partner = examplePartner();
    TUserDataForm userData(&form, partner, [](const TUserData&) {});
    lookAtWindow(userData, QStringLiteral("userdata"));
    TUpdatePricesForm prices(&form,
                             {QStringLiteral("9x13|85|300x450|100x150"), QStringLiteral("10x15|120|400x600|200x300")},
                             {QStringLiteral("CD=500")});
    lookAtWindow(prices, QStringLiteral("prices"));
    TAboutForm about(&form);
    lookAtWindow(about, QStringLiteral("about"));
    TSaveMegrForm order(&form, form.order(), partner, {QStringLiteral("CD=500")});
    lookAtWindow(order, QStringLiteral("order"));
    DiscWriteDialog disc(dir.path(), &form, [](QString*) { return QList<DiscDrive> {}; });
    lookAtWindow(disc, QStringLiteral("disc"));
    // A lab connection as a shop has it, whose server does not answer: the
    // send waits for its next try with the reason shown.
    LabConnection lab;
    lab.host = QStringLiteral("127.0.0.1");
    lab.port = LocalSshServer::freePort();
    lab.user = QStringLiteral("uzlet123");
    lab.remoteFolder = QStringLiteral("/megrendelesek");
    lab.keyFile = dir.file(QStringLiteral("config/labor_ed25519"));
    lab.hostKey = QStringLiteral("SHA256:") + QString(43, QLatin1Char('A'));
    ASSERT_TRUE(makeKeyPair(lab.keyFile, QStringLiteral("pelmar-123")).ok);
    ASSERT_TRUE(saveLabConnection(lab, settings));
    LabConnectionForm labConnection(&form, settings, lab.keyFile);
    lookAtWindow(labConnection, QStringLiteral("labconnection"));
    const QString built = dir.file(QStringLiteral("Pelmar-20261209-000123"));
    for (const char* name :
         {"9x13-fill-2/kep00001.jpg", "megrendeles.qrp", "megrendeles_osszegezve.qrp", "megrendeles.txt"}) {
        const QString path = built + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(70000, 'x')) == 70000);
    }
    LabSending::instance()->queue()->setConnection(lab);
    LabSending::instance()->queue()->enqueue(built);
    SendsWindow* sends = LabSending::instance()->showSends();
    QTRY_VERIFY_WITH_TIMEOUT(sends->List->topLevelItemCount() == 1 && !sends->List->topLevelItem(0)->text(6).isEmpty(),
                             15000);
    look(sends, QStringLiteral("sends"));
    sends->close();

    form.findChild<QToolButton*>(QStringLiteral("PreviewImgBtn"))->click();
    ASSERT_NE(form.previewForm(), nullptr);
    look(form.previewForm(), QStringLiteral("preview"));
    form.previewForm()->close();

    Help::setHelpFile(builtHelpFile());
    Help::ShowHelpTopic(QStringLiteral("index.html"));
    look(Help::window(), QStringLiteral("help"));
    Help::closeWindow();
    Help::setHelpFile({});

    lookAtModal([&] { MessageBox::error(&form, QStringLiteral("Érvénytelen érték: Őszi fényképek")); },
                QStringLiteral("error"));
    lookAtModal([&] { MessageBox::confirm(&form, DiscWriteDialog::offerQuestion()); }, QStringLiteral("question"));
    lookAtModal([&] { MessageBox::confirm(&form, LabSending::offerQuestion()); }, QStringLiteral("sendoffer"));
    lookAtModal([&] { MessageBox::generalError(&form, QStringLiteral("Ismeretlen hiba")); },
                QStringLiteral("generalerror"));
    // The Hungarian file list stands between the dialog and the files: a
    // picture chosen in it is still the file returned.
    QStringList chosen;
    lookAtModal([&] { chosen = ChoosePictures(&form); }, QStringLiteral("openpicture"),
                [&](QWidget* dialog) {
                    auto* files = qobject_cast<QFileDialog*>(dialog);
                    ASSERT_NE(files, nullptr);
                    files->setDirectory(QFileInfo(pictures[1]).absolutePath());
                    // The list reads the folder on a thread of its own.
                    auto* list = files->findChild<QTreeView*>(QStringLiteral("treeView"));
                    ASSERT_NE(list, nullptr);
                    QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 2);
                    // Clicked in the list, as the user picks it.
                    const QModelIndex row = list->model()
                                                ->match(list->model()->index(0, 0, list->rootIndex()), Qt::DisplayRole,
                                                        QFileInfo(pictures[1]).fileName(), 1, Qt::MatchExactly)
                                                .value(0);
                    ASSERT_TRUE(row.isValid());
                    list->selectionModel()->select(row,
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                    QMetaObject::invokeMethod(files, "accept");
                });
    EXPECT_EQ(chosen, QStringList({pictures[1]}));
    // Phone pictures: their dialog, the conversion under way (on a helper that
    // never answers) and a picture that could not be converted.
    lookAtModal([&] { (void)ChoosePictures(&form, PictureKinds::Phone); }, QStringLiteral("openphone"));
    {
        const QString hanging = dir.file(QStringLiteral("hanging-helper.sh"));
        QFile script(hanging);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\nexec sleep 60\n") > 0);
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString heic = dir.file(QStringLiteral("Telefon/IMG_0001.HEIC"));
        QDir().mkpath(QFileInfo(heic).absolutePath());
        QFile picture(heic);
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly) && picture.write(QByteArray(1000, 'h')) > 0);
        picture.close();
        PhoneBatch batch(&form, dir.file(QStringLiteral("converted")));
        batch.setHelper(hanging);
        batch.start({heic, pictures[0]}, [](const QList<AddItem>&) {});
        QWidget* progress = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return (progress = form.findChild<QWidget*>(QStringLiteral("PhoneProgress"))) && progress->isVisible();
            },
            10000));
        look(progress, QStringLiteral("phoneprogress"));
        batch.cancel();
        QTRY_VERIFY(!batch.running());
        lookAtModal(
            [&] {
                MessageBox::error(
                    &form,
                    PhoneBatch::refusalText(heic, QStringLiteral("A kép nagyobb, mint amit a program átalakít.")));
            },
            QStringLiteral("phonerefusal"));
    }
    TBrowseForFolderDialog picker(&form);
    picker.setCustomFolder(dir.path());
    // Qt's file list writes dates in the system's language; the program's are
    // Hungarian whatever that is.
    const QFileInfo folder(dir.file(QStringLiteral("Őszi fényképek")));
    lookAtModal([&] { (void)picker.Execute(); }, QStringLiteral("folderpicker"),
                [&](QWidget* dialog) {
                    auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
                    ASSERT_NE(list, nullptr);
                    QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) > 0);
                    const QModelIndex row = list->model()
                                                ->match(list->model()->index(0, 0, list->rootIndex()), Qt::DisplayRole,
                                                        folder.fileName(), 1, Qt::MatchExactly)
                                                .value(0);
                    ASSERT_TRUE(row.isValid());
                    EXPECT_EQ(row.siblingAtColumn(2).data().toString(), QStringLiteral("Mappa"));
                    EXPECT_EQ(row.siblingAtColumn(3).data().toString(),
                              QLocale(QLocale::Hungarian).toString(folder.lastModified(), QLocale::ShortFormat));
                });
    reports::TQRMegrForm report;
    report.setOrderLines(makeLines(3));
    lookAtModal([&] { previewReport(report, &form); }, QStringLiteral("report"));
    // A save dialog proposed a folder opens in it, with no name typed yet.
    lookAtModal(
        [&] {
            (void)chooseFileToSave(&form, QStringLiteral("Megrendelés mentése"), dir.path() + u'/',
                                   QStringLiteral("Megrendelés (*.json)"), QStringLiteral("json"));
        },
        QStringLiteral("save"),
        [&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(files, nullptr);
            EXPECT_EQ(files->directory().absolutePath(), QDir(dir.path()).absolutePath());
            EXPECT_EQ(files->defaultSuffix(), QStringLiteral("json"));
            EXPECT_TRUE(files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text().isEmpty());
        });
}
