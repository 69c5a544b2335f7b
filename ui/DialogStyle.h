#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QStyle>

// Small pieces of look shared by the settings dialogs.
namespace pelmar::DialogStyle {

// A heading strip: bold text in the window-background colour on the colour
// of an application workspace.
inline QLabel* headingStrip(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    const QColor window = p.color(QPalette::Window);
    p.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::WindowText, window);
    label->setPalette(p);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setContentsMargins(6, 3, 6, 3);
    return label;
}

// A 32×32 picture beside the fields.
inline QLabel* icon32(QStyle::StandardPixmap which, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFixedSize(32, 32);
    label->setPixmap(parent->style()->standardIcon(which).pixmap(32, 32));
    return label;
}

// A fixed-size dialog with a close box only, modal to its owner window alone
// so that the help window stays usable beside it.
inline void makeFixedDialog(QWidget* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::CustomizeWindowHint);
    dialog->setWindowModality(Qt::WindowModal);
}

// The text without the characters of code 0..32 at either end, the way the
// fields' "trimmed of blanks" has always been meant.
inline QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

} // namespace pelmar::DialogStyle
