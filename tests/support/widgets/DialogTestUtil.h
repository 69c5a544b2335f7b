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

// The widgets that Tab visits, in order, starting at `first`.
inline QList<QWidget*> tabChain(QWidget* first, int max = 40)
{
    QList<QWidget*> out;
    QWidget* w = first;
    for (int i = 0; i < max && w; ++i) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !out.contains(w))
            out.append(w);
        w = w->nextInFocusChain();
        if (w == first)
            break;
    }
    return out;
}

} // namespace pelmar::test
