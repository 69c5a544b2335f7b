#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <functional>

namespace pelmar::test {

// Shows a dialog without a modal loop and makes it the active window, so
// focus and keys behave as for the user.
inline void showActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    (void)QTest::qWaitForWindowActive(w, 1000);
}

// Replaces a line edit's text by typing it key by key (accented letters
// included, which QTest::keyClicks cannot type).
inline void typeInto(QWidget* edit, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(edit))
        line->clear();
    for (const QChar c : text) {
        if (c.unicode() < 0x80 && c.unicode() >= 0x20) {
            QTest::keyClick(edit, char(c.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// The widgets that Tab visits, in order, starting at `first`: real Tab key
// presses on the focused control, so one that keeps Tab for itself (a list
// walking its cells) ends the chain there.
inline QList<QWidget*> tabChain(QWidget* first, int max = 40)
{
    QList<QWidget*> out;
    if (!first->window()->isActiveWindow())
        showActive(first->window());
    first->setFocus(Qt::TabFocusReason);
    QWidget* w = QApplication::focusWidget();
    for (int i = 0; i < max && w && !out.contains(w); ++i) {
        out.append(w);
        QTest::keyClick(w, Qt::Key_Tab);
        w = QApplication::focusWidget();
    }
    return out;
}

} // namespace pelmar::test
