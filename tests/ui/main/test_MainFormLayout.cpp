#include "tests/support/widgets/MainFormFixture.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolTip>

using namespace pelmar;
using namespace pelmar::test;

namespace {

using MainFormLayout = MainFormTest;

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

TEST_F(MainFormLayout, ControlsCarryTheirCaptionsAndStartState)
{
    openForm();
    MainForm* f = form.get();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Pelmar digitális fotórendelés"));
    EXPECT_EQ(f->frameGeometry().size(), QSize(800, 540));
    const QList<QPair<const char*, QString>> labels = {
        {"Label55", QStringLiteral("Kitöltés:")},
        {"Label2", QStringLiteral("Méret:")},
        {"Label3", QStringLiteral("Darab:")},
        {"LItemPrice", QStringLiteral("0 Ft")},
        {"LItemSumPrice", QStringLiteral("0 Ft")},
        {"LErrorStr", QStringLiteral("Válasszon ki egy vagy több képet egyszerre!")},
        {"Panel7", QStringLiteral("Előnézet")},
        {"SumMenny", QStringLiteral("0 db")},
        {"SumPrice", QStringLiteral("0 Ft")},
    };
    for (const auto& [name, text] : labels)
        EXPECT_EQ(named<QLabel>(f, name)->text(), text) << name;
    EXPECT_TRUE(LItemSumPrice(*f)->font().bold());
    EXPECT_EQ(RBFit(*f)->text(), QStringLiteral("fit"));
    EXPECT_TRUE(RBFill(*f)->isChecked());
    EXPECT_EQ(CBSize(*f)->count(), 0);
    EXPECT_EQ(Darab(*f)->text(), QStringLiteral("1"));
    EXPECT_EQ(ModSelBtn(*f)->text(), QStringLiteral("Kijelölt elemek módosítása"));
    EXPECT_FALSE(PBAdd(*f)->isVisible());
    EXPECT_EQ(CBShowPreview(*f)->text(), QStringLiteral("Előnézet készítése"));
    EXPECT_TRUE(CBShowPreview(*f)->isChecked());
    EXPECT_EQ(PreviewImgBtn(*f)->toolTip(), QStringLiteral("Klikkeljen ide a nagyításhoz"));
    EXPECT_EQ(PelmarLogo(*f)->toolTip(), MainForm::homePageUrl());
    EXPECT_EQ(PelmarLogo(*f)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(f->focusWidget(), FileList(*f));
}

// However narrow the user drags the window, no control of the editor row is
// cut or overlaps its neighbour, and the logo stays beside the row, even with
// a long size name in the list.
TEST_F(MainFormLayout, NarrowestWindowKeepsTheEditorRowWhole)
{
    openForm();
    MainForm* f = form.get();
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

TEST_F(MainFormLayout, ListColumnsAndTheNameColumnFollowingTheWindow)
{
    openForm();
    QTableView* list = FileList(*form);
    const QStringList captions
        = {QStringLiteral("Fájlnév"), QStringLiteral("Felbontás"), QStringLiteral("Kitöltés"), QStringLiteral("Méret"),
           QStringLiteral("Darab"),   QStringLiteral("Egységár"),  QStringLiteral("Összeg")};
    QStringList shown;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        shown.append(list->model()->headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(shown, captions);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    // The caption "Összeg" is drawn dots and all: its ink is as tall as the text's.
    QHeaderView* header = list->horizontalHeader();
    const QImage shot = header->grab().toImage();
    int top = shot.height(), bottom = -1;
    const int left = header->sectionViewportPosition(6);
    for (int y = 0; y < shot.height(); ++y)
        for (int x = left + 2; x < left + header->sectionSize(6) - 2; ++x)
            if (qGray(shot.pixel(x, y)) < 100)
                top = std::min(top, y), bottom = std::max(bottom, y);
    EXPECT_GE(bottom - top + 1, QFontMetrics(header->font()).tightBoundingRect(captions[6]).height());

    // The name column takes what the window's outer width leaves beyond
    // 600, never below 50; the other columns keep their width.
    const int other = list->columnWidth(1);
    const int frameExtra = form->frameGeometry().width() - form->width();
    form->resize(1000 - frameExtra, 540);
    QTest::qWait(1);
    EXPECT_EQ(list->columnWidth(0), 400);
    // The narrowest window (the editor row's width) keeps the rule.
    form->resize(300, 540);
    EXPECT_GT(form->width(), 300);
    EXPECT_EQ(list->columnWidth(0), std::max(50, form->frameGeometry().width() - 600));
    EXPECT_EQ(list->columnWidth(1), other);
}

TEST_F(MainFormLayout, ActionsMenusAndToolBar)
{
    openForm();
    MainForm* f = form.get();
    // Captions are checked through the menus and the tool bar below.
    struct Expect
    {
        QAction* action;
        QString hint;
        QKeySequence shortcut;
        bool enabled;
    };
    const QList<Expect> expected = {
        {AddPic(*f), QStringLiteral("Képek felvétele a megrendelésbe"), QKeySequence(QStringLiteral("Ctrl+O")), true},
        {DelPic(*f), QStringLiteral("Kép törlése a megrendelésből"), QKeySequence(QStringLiteral("Del")), false},
        {OutputMegr(*f), QStringLiteral("Megrendelés elkészítése"), {}, true},
        {PrintMegr(*f), QStringLiteral("Megrendelés nyomtatása"), QKeySequence(QStringLiteral("Ctrl+P")), true},
        {UserData(*f), QStringLiteral("Felhasználó adatok letöltése"), {}, true},
        {ShowPrices(*f), QStringLiteral("Árak listázása és frissítése"), {}, true},
        {Contents(*f), {}, QKeySequence(QStringLiteral("F1")), true},
        {About(*f), {}, {}, true},
        {SelectAll(*f), {}, QKeySequence(QStringLiteral("Ctrl+A")), true},
        {SelectNone(*f), {}, QKeySequence(QStringLiteral("Ctrl+N")), true},
        {miOpenOrder(*f), {}, QKeySequence(QStringLiteral("Ctrl+Shift+O")), true},
        {miSaveOrder(*f), {}, QKeySequence(QStringLiteral("Ctrl+S")), true},
        {f->findChild<QAction*>(QStringLiteral("miExit")), {}, QKeySequence(QStringLiteral("Ctrl+Q")), true},
    };
    for (const Expect& e : expected) {
        ASSERT_NE(e.action, nullptr);
        SCOPED_TRACE(e.action->objectName().toStdString());
        if (!e.hint.isEmpty()) {
            EXPECT_EQ(e.action->toolTip(), e.hint);
        }
        EXPECT_EQ(e.action->shortcut(), e.shortcut);
        EXPECT_EQ(e.action->isEnabled(), e.enabled);
    }
    // Two commands on one key would leave that key doing nothing.
    QSet<QKeySequence> keys;
    for (QAction* a : f->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty())
            continue;
        EXPECT_FALSE(keys.contains(a->shortcut())) << a->shortcut().toString().toStdString();
        keys.insert(a->shortcut());
    }

    // Each menu opens with Alt and its access letter; the captions read as given.
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    QStringList titles;
    for (QAction* a : f->menuBar()->actions()) {
        titles.append(QString(a->text()).remove(QLatin1Char('&')));
        const QChar letter = a->text().at(a->text().indexOf(QLatin1Char('&')) + 1).toUpper();
        QTest::keyClick(f, Qt::Key(letter.unicode()), Qt::AltModifier);
        EXPECT_EQ(QApplication::activePopupWidget(), a->menu()) << titles.last().toStdString();
        a->menu()->hide();
    }
    EXPECT_EQ(titles,
              QStringList({QStringLiteral("Fájl"), QStringLiteral("Nézet"), QStringLiteral("Beállítások"),
                           QStringLiteral("Súgó")}));
    EXPECT_EQ(
        menuTexts(miFile(*f)),
        QStringList({QStringLiteral("Képek hozzáadása"), QStringLiteral("&Telefonos képek hozzáadása..."),
                     QStringLiteral("Kép törlése"), QStringLiteral("-"), QStringLiteral("Megrendelés megnyitása..."),
                     QStringLiteral("Megrendelés mentése..."), QStringLiteral("-"),
                     QStringLiteral("Megrendelés elkészítése"), QStringLiteral("Megrendelés írása &lemezre..."),
                     QStringLiteral("Megrendelés &küldése a laborba..."), QStringLiteral("Kül&dések a laborba"),
                     QStringLiteral("Nyomtatás"), QStringLiteral("-"), QStringLiteral("Új verzió ellenőrzése..."),
                     QStringLiteral("-"), QStringLiteral("Kilépés")}));
    EXPECT_EQ(menuTexts(miSettings(*f)),
              QStringList({QStringLiteral("Partner adatok"), QStringLiteral("Árlista"), QStringLiteral("-"),
                           QStringLiteral("Kapcsolat a &laborral...")}));
    EXPECT_EQ(menuTexts(miHelp(*f)),
              QStringList({QStringLiteral("Tartalom"), QStringLiteral("Újdonságok"), QStringLiteral("-"),
                           QStringLiteral("Ugrás a Pelmar honlapjára"),
                           QStringLiteral("Digitális fotókidolgozás a Pelmarnál"), QStringLiteral("-"),
                           QStringLiteral("Névjegy")}));
    EXPECT_EQ(miJumpPelmar(*f)->toolTip(), MainForm::homePageUrl());
    EXPECT_EQ(miJumpDigi(*f)->toolTip(), MainForm::digiPageUrl());

    // Tool bar: large icons with captions under them, in the given order;
    // the help button reads "Súgó".
    QToolBar* bar = ToolBar1(*f);
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
    // SelectAll and SelectNone are keys only: in no menu and on no tool bar.
    for (QWidget* m : std::initializer_list<QWidget*> {miFile(*f), miSettings(*f), miHelp(*f), bar}) {
        EXPECT_FALSE(m->actions().contains(SelectAll(*f)));
        EXPECT_FALSE(m->actions().contains(SelectNone(*f)));
    }
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

TEST_F(MainFormLayout, TabOrderOfTheEditorRow)
{
    openForm();
    MainForm* f = form.get();
    EXPECT_EQ(nextTabStop(f, RBFill(*f)), RBFit(*f));
    EXPECT_EQ(nextTabStop(f, RBFit(*f)), Darab(*f));
    EXPECT_EQ(nextTabStop(f, Darab(*f)), CBSize(*f));
    EXPECT_EQ(nextTabStop(f, CBSize(*f)), ModSelBtn(*f));
    // The enlarged preview opens from the keyboard too.
    EXPECT_EQ(nextTabStop(f, CBShowPreview(*f)), PreviewImgBtn(*f));
    // Ctrl+Q quits through the close question.
    add({jpeg(QStringLiteral("a.jpg"), 150, 100)});
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    messages.queueAnswer(MessageAnswer::No);
    QTest::keyClick(f, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().value(0).startsWith(QStringLiteral("Megrendelését még nem mentette!")));
    EXPECT_TRUE(f->isVisible());
}

TEST_F(MainFormLayout, OpenPictureDialogWithItsFiltersAndPreviewPane)
{
    openForm();
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
    EXPECT_TRUE(form->choosePictures().isEmpty());
    EXPECT_TRUE(inspected);
}

// A line's tool tip is its info text as written: each line feed starts a
// line, no line is wrapped, and what looks like markup is shown as it is.
TEST(PictureListTip, InfoTextUnchangedAndUnwrapped)
{
    const QString line = QStringLiteral("<b>A kép</b> felbontása (1000x1500) a megengedett minimum (1200x1800) alatt");
    for (const QString& tip : {line.mid(3), line + QStringLiteral("\n\nmásodik sor")}) {
        QStandardItemModel model(1, 1);
        model.setData(model.index(0, 0), tip, Qt::ToolTipRole);
        PictureListView view;
        view.setModel(&model);
        view.show();
        const QPoint at = view.visualRect(model.index(0, 0)).center();
        QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view.viewport(), &help);
        QWidget* label = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            label = w->inherits("QTipLabel") && w->isVisible() ? w : label;
        ASSERT_TRUE(label);
        const QFontMetrics metrics(label->font());
        const int lines = int(tip.count(QLatin1Char('\n'))) + 1;
        EXPECT_GE(label->width(), metrics.horizontalAdvance(tip.section(QLatin1Char('\n'), 0, 0))) << tip.toStdString();
        EXPECT_LT(label->height(), (lines + 1) * metrics.height()) << tip.toStdString();
    }
}
