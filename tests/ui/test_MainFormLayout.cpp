#include "platform/SettingsStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/MainFormParts.h"
#include "ui/MainForm.h"

#include "ui/MessageBox.h"

#include "tests/support/JpegFixtures.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;
using pelmar::test::TempDir;

namespace {

struct Window
{
    TempDir dir;
    std::unique_ptr<MainForm> form;
    explicit Window(bool show = true)
    {
        form = std::make_unique<MainForm>(nullptr, dir.file(QStringLiteral("settings.sqlite")));
        form->setShowWelcome(false);
        if (show) {
            form->show();
            QTest::qWait(1);
        }
    }
};

template <typename T> T* named(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QStringList menuTexts(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

TEST(MainFormLayout, ControlsCarryTheirNamesCaptionsAndStartState)
{
    Window w;
    MainForm* f = w.form.get();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Pelmar digitális fotórendelés"));
    EXPECT_EQ(f->frameGeometry().size(), QSize(800, 540));
    EXPECT_EQ(named<QLabel>(f, "Label55")->text(), QStringLiteral("Kitöltés:"));
    EXPECT_TRUE(named<QRadioButton>(f, "RBFill")->isChecked());
    EXPECT_EQ(named<QRadioButton>(f, "RBFit")->text(), QStringLiteral("fit"));
    EXPECT_EQ(named<QLabel>(f, "Label2")->text(), QStringLiteral("Méret:"));
    EXPECT_EQ(named<QComboBox>(f, "CBSize")->count(), 0);
    EXPECT_EQ(named<QLabel>(f, "Label3")->text(), QStringLiteral("Darab:"));
    EXPECT_EQ(named<QuantityBox>(f, "Darab")->text(), QStringLiteral("1"));
    EXPECT_EQ(named<QLabel>(f, "LItemPrice")->text(), QStringLiteral("0 Ft"));
    EXPECT_EQ(named<QLabel>(f, "LItemSumPrice")->text(), QStringLiteral("0 Ft"));
    EXPECT_TRUE(named<QLabel>(f, "LItemSumPrice")->font().bold());
    EXPECT_EQ(named<QPushButton>(f, "ModSelBtn")->text(), QStringLiteral("Kijelölt elemek módosítása"));
    EXPECT_EQ(named<QLabel>(f, "LErrorStr")->text(), QStringLiteral("Válasszon ki egy vagy több képet egyszerre!"));
    EXPECT_FALSE(named<QProgressBar>(f, "PBAdd")->isVisible());
    EXPECT_EQ(named<QLabel>(f, "Panel7")->text(), QStringLiteral("Előnézet"));
    EXPECT_EQ(named<QCheckBox>(f, "CBShowPreview")->text(), QStringLiteral("Előnézet készítése"));
    EXPECT_TRUE(named<QCheckBox>(f, "CBShowPreview")->isChecked());
    EXPECT_EQ(named<QToolButton>(f, "PreviewImgBtn")->toolTip(), QStringLiteral("Klikkeljen ide a nagyításhoz"));
    EXPECT_EQ(named<QLabel>(f, "SumMenny")->text(), QStringLiteral("0 db"));
    EXPECT_EQ(named<QLabel>(f, "SumPrice")->text(), QStringLiteral("0 Ft"));
    EXPECT_EQ(named<QLabel>(f, "PelmarLogo")->toolTip(), MainForm::homePageUrl());
    EXPECT_EQ(named<QLabel>(f, "PelmarLogo")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(named<QWidget>(f, "PaintBox")->width(), 178);
    EXPECT_EQ(f->focusWidget(), FileList(*f));
}

// However narrow the user drags the window, no control of the editor row is
// cut or overlaps its neighbour, and the logo stays beside the row, even with
// a long size name in the list.
TEST(MainFormLayout, NarrowestWindowKeepsTheEditorRowWhole)
{
    Window w;
    MainForm* f = w.form.get();
    auto* sizes = named<QComboBox>(f, "CBSize");
    sizes->addItem(QStringLiteral("Poszter 50x70 fényes"));
    f->resize(100, 100);
    QTest::qWait(1);
    QApplication::processEvents();
    QRect previous;
    for (const char* name : {"Label55", "RBFill", "RBFit", "Label2", "CBSize", "Label3", "Darab", "Label1",
                             "LItemPrice", "Label33", "LItemSumPrice", "ModSelBtn"}) {
        QWidget* c = named<QWidget>(f, name);
        const QRect r(c->mapTo(f, QPoint(0, 0)), c->size());
        EXPECT_TRUE(c->isVisible()) << name;
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << name;
        EXPECT_TRUE(f->rect().contains(r)) << name;
        EXPECT_FALSE(r.intersects(previous)) << name;
        previous = r;
    }
    QWidget* logo = named<QWidget>(f, "Panel3");
    EXPECT_GT(logo->mapTo(f, QPoint(0, 0)).x(), previous.right());
    EXPECT_TRUE(f->rect().contains(QRect(logo->mapTo(f, QPoint(0, 0)), logo->size())));
}

TEST(MainFormLayout, ListColumnsAndTheirWidths)
{
    Window w;
    QTableView* list = named<QTableView>(w.form.get(), "FileList");
    const QStringList captions
        = {QStringLiteral("Fájlnév"), QStringLiteral("Felbontás"), QStringLiteral("Kitöltés"), QStringLiteral("Méret"),
           QStringLiteral("Darab"),   QStringLiteral("Egységár"),  QStringLiteral("Összeg")};
    const int widths[] = {200, 70, 50, 70, 60, 60, 70};
    ASSERT_EQ(list->model()->columnCount(), 7);
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
        EXPECT_EQ(list->columnWidth(c), widths[c]) << c;
    }
    EXPECT_FALSE(list->horizontalHeader()->sectionsClickable());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);

    // FormResize: outer width - 600, never below 50.
    const int frameExtra = w.form->frameGeometry().width() - w.form->width();
    w.form->resize(1000 - frameExtra, 540);
    QTest::qWait(1);
    EXPECT_EQ(list->columnWidth(0), w.form->frameGeometry().width() - 600);
    EXPECT_EQ(list->columnWidth(0), 400);
    // The narrowest window (the editor row's width) keeps the rule.
    w.form->resize(300, 540);
    EXPECT_GT(w.form->width(), 300);
    EXPECT_EQ(list->columnWidth(0), std::max(50, w.form->frameGeometry().width() - 600));
    EXPECT_EQ(list->columnWidth(1), 70);
}

TEST(MainFormLayout, ActionsMenusAndToolBar)
{
    Window w;
    MainForm* f = w.form.get();
    struct Expect
    {
        QAction* action;
        const char* name;
        QString caption;
        QString hint;
        QKeySequence shortcut;
        bool enabled;
    };
    const QList<Expect> expected = {
        {AddPic(*f), "AddPic", QStringLiteral("Képek hozzáadása"), QStringLiteral("Képek felvétele a megrendelésbe"),
         QKeySequence(QStringLiteral("Ctrl+O")), true},
        {DelPic(*f), "DelPic", QStringLiteral("Kép törlése"), QStringLiteral("Kép törlése a megrendelésből"),
         QKeySequence(QStringLiteral("Del")), false},
        {OutputMegr(*f),
         "OutputMegr",
         QStringLiteral("Megrendelés elkészítése"),
         QStringLiteral("Megrendelés elkészítése"),
         {},
         true},
        {PrintMegr(*f), "PrintMegr", QStringLiteral("Nyomtatás"), QStringLiteral("Megrendelés nyomtatása"),
         QKeySequence(QStringLiteral("Ctrl+P")), true},
        {UserData(*f),
         "UserData",
         QStringLiteral("Partner adatok"),
         QStringLiteral("Felhasználó adatok letöltése"),
         {},
         true},
        {ShowPrices(*f),
         "ShowPrices",
         QStringLiteral("Árlista"),
         QStringLiteral("Árak listázása és frissítése"),
         {},
         true},
        {Contents(*f), "Contents", QStringLiteral("Tartalom"), {}, QKeySequence(QStringLiteral("F1")), true},
        {About(*f), "About", QStringLiteral("Névjegy"), {}, {}, true},
        {SelectAll(*f), "SelectAll", QStringLiteral("SelectAll"), {}, QKeySequence(QStringLiteral("Ctrl+A")), true},
        {SelectNone(*f), "SelectNone", QStringLiteral("SelectNone"), {}, QKeySequence(QStringLiteral("Ctrl+N")), true},
        {miOpenOrder(*f),
         "miOpenOrder",
         QStringLiteral("Megrendelés megnyitása..."),
         {},
         QKeySequence(QStringLiteral("Ctrl+Shift+O")),
         true},
        {miSaveOrder(*f),
         "miSaveOrder",
         QStringLiteral("Megrendelés mentése..."),
         {},
         QKeySequence(QStringLiteral("Ctrl+S")),
         true},
    };
    // Two commands on one key would leave that key doing nothing.
    QSet<QKeySequence> keys;
    for (QAction* a : f->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty())
            continue;
        EXPECT_FALSE(keys.contains(a->shortcut())) << a->shortcut().toString().toStdString();
        keys.insert(a->shortcut());
    }
    for (const Expect& e : expected) {
        ASSERT_NE(e.action, nullptr) << e.name;
        EXPECT_EQ(e.action->objectName(), QLatin1String(e.name));
        EXPECT_EQ(e.action->text(), e.caption) << e.name;
        if (!e.hint.isEmpty()) {
            EXPECT_EQ(e.action->toolTip(), e.hint) << e.name;
        }
        EXPECT_EQ(e.action->shortcut(), e.shortcut) << e.name;
        EXPECT_EQ(e.action->isEnabled(), e.enabled) << e.name;
        EXPECT_EQ(f->findChild<QAction*>(QLatin1String(e.name)), e.action);
    }
    QStringList titles;
    for (QAction* a : f->menuBar()->actions())
        titles.append(a->text());
    EXPECT_EQ(titles,
              QStringList({QStringLiteral("Fájl"), QStringLiteral("Nézet"), QStringLiteral("Beállítások"),
                           QStringLiteral("Súgó")}));
    EXPECT_EQ(miFile(*f)->title(), QStringLiteral("Fájl"));
    EXPECT_EQ(
        menuTexts(miFile(*f)),
        QStringList({QStringLiteral("Képek hozzáadása"), QStringLiteral("Kép törlése"), QStringLiteral("-"),
                     QStringLiteral("Megrendelés megnyitása..."), QStringLiteral("Megrendelés mentése..."),
                     QStringLiteral("-"), QStringLiteral("Megrendelés elkészítése"),
                     QStringLiteral("Megrendelés írása &lemezre..."), QStringLiteral("Nyomtatás"), QStringLiteral("-"),
                     QStringLiteral("Új verzió ellenőrzése..."), QStringLiteral("-"), QStringLiteral("Kilépés")}));
    EXPECT_EQ(miSettings(*f)->title(), QStringLiteral("Beállítások"));
    EXPECT_EQ(menuTexts(miSettings(*f)), QStringList({QStringLiteral("Partner adatok"), QStringLiteral("Árlista")}));
    EXPECT_EQ(miHelp(*f)->title(), QStringLiteral("Súgó"));
    EXPECT_EQ(menuTexts(miHelp(*f)),
              QStringList({QStringLiteral("Tartalom"), QStringLiteral("Újdonságok"), QStringLiteral("-"),
                           QStringLiteral("Ugrás a Pelmar honlapjára"),
                           QStringLiteral("Digitális fotókidolgozás a Pelmarnál"), QStringLiteral("-"),
                           QStringLiteral("Névjegy")}));
    EXPECT_EQ(miJumpPelmar(*f)->toolTip(), MainForm::homePageUrl());
    EXPECT_EQ(miJumpDigi(*f)->toolTip(), MainForm::digiPageUrl());
    for (const char* n : {"miCheckVersion", "miExit", "miWhatsNew", "miJumpPelmar", "miJumpDigi"})
        EXPECT_NE(f->findChild<QAction*>(QLatin1String(n)), nullptr) << n;

    // Tool bar: large icons with captions under them, in the given order;
    // the help button reads "Súgó".
    QToolBar* bar = named<QToolBar>(f, "ToolBar1");
    EXPECT_EQ(bar->iconSize(), QSize(32, 32));
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QStringList items;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator())
            items.append(QStringLiteral("-"));
        else if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(a)))
            items.append(b->text());
    }
    EXPECT_EQ(items,
              QStringList({QStringLiteral("Képek hozzáadása"), QStringLiteral("Kép törlése"), QStringLiteral("-"),
                           QStringLiteral("Megrendelés elkészítése"), QStringLiteral("-"), QStringLiteral("Nyomtatás"),
                           QStringLiteral("-"), QStringLiteral("Partner adatok"), QStringLiteral("Árlista"),
                           QStringLiteral("-"), QStringLiteral("Súgó")}));
    // SelectAll and SelectNone are in no menu and on no tool bar.
    for (QMenu* m : {miFile(*f), miSettings(*f), miHelp(*f)}) {
        EXPECT_FALSE(m->actions().contains(SelectAll(*f)));
        EXPECT_FALSE(m->actions().contains(SelectNone(*f)));
    }
    EXPECT_FALSE(bar->actions().contains(SelectAll(*f)));
    // Every command has an icon in both sizes.
    for (QAction* a : {AddPic(*f), DelPic(*f), OutputMegr(*f), PrintMegr(*f), UserData(*f), ShowPrices(*f),
                       Contents(*f), About(*f)}) {
        EXPECT_FALSE(a->icon().pixmap(QSize(32, 32)).isNull()) << a->objectName().toStdString();
        EXPECT_FALSE(a->icon().pixmap(QSize(16, 16)).isNull()) << a->objectName().toStdString();
    }
}

// The next widget Tab reaches from w, a widget inside a compound control
// counting as the control itself.
QWidget* nextTabStop(MainForm* f, QWidget* w)
{
    for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain()) {
        if (!(n->focusPolicy() & Qt::TabFocus) || !n->isVisibleTo(f) || !n->isEnabled())
            continue;
        QWidget* stop = n->focusProxy() ? n->focusProxy() : n;
        if (stop == w || w->isAncestorOf(stop))
            continue;
        return stop;
    }
    return nullptr;
}

TEST(MainFormLayout, TabOrderOfTheEditorRow)
{
    Window w;
    MainForm* f = w.form.get();
    EXPECT_EQ(nextTabStop(f, RBFill(*f)), RBFit(*f));
    EXPECT_EQ(nextTabStop(f, RBFit(*f)), Darab(*f));
    EXPECT_EQ(nextTabStop(f, Darab(*f)), CBSize(*f));
    EXPECT_EQ(nextTabStop(f, CBSize(*f)), ModSelBtn(*f));
}

TEST(MainFormLayout, OpenPictureDialogWithItsFiltersAndPreviewPane)
{
    Window w;
    TempDir pictures;
    const QString jpg = pelmar::test::writeJpeg(pictures.file(QStringLiteral("a.jpg")), 300, 200);
    pictures.write(QStringLiteral("b.TIF"), QByteArray(10, 'x'));
    pictures.write(QStringLiteral("c.png"), QByteArray(10, 'x'));
    bool inspected = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        inspected = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Fénykép hozzádása a megrendeléshez"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("jpg"));
        EXPECT_EQ(dialog->nameFilters(),
                  QStringList({QStringLiteral("JPEG kép (*.jpg; *.jpeg)"), QStringLiteral("TIFF kép (*.tif; *.tiff)"),
                               QStringLiteral("Elfogadott képek (*.jpg; *.jpeg; *.tif; *.tiff)")}));
        EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("Elfogadott képek (*.jpg; *.jpeg; *.tif; *.tiff)"));
        // The file list gets the patterns themselves, not the shown text.
        auto* model = dialog->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->nameFilters(),
                  QStringList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.tif"),
                               QStringLiteral("*.tiff")}));
        EXPECT_NE(dialog->findChild<QFrame*>(QStringLiteral("OPDPreview")), nullptr);
        dialog->setDirectory(pictures.path());
        dialog->selectFile(jpg);
        QTimer::singleShot(0, dialog, [dialog, jpg] {
            // Highlighting a picture shows it in the pane.
            emit dialog->currentChanged(jpg);
            auto* pane = dialog->findChild<QFrame*>(QStringLiteral("OPDPreview"));
            bool shown = false;
            for (QLabel* l : pane->findChildren<QLabel*>())
                shown = shown || !l->pixmap().isNull();
            EXPECT_TRUE(shown);
            dialog->reject();
        });
    });
    EXPECT_TRUE(w.form->choosePictures().isEmpty());
    EXPECT_TRUE(inspected);
}
