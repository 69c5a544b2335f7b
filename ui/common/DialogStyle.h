#pragma once

#include "ui/common/HeadingStrip.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

// Small pieces of look shared by the settings dialogs.
namespace pelmar::DialogStyle {

// A heading strip: bold text in the window-background colour (or, in a
// dark palette, the light text colour) on the colour of an application
// workspace, at a contrast of 4.5:1 at least.
inline QLabel* headingStrip(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new HeadingStrip(text, QPalette::Window, parent);
    label->setObjectName(name);
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

// A named text field of a fixed width.
inline QLineEdit* lineField(const QString& name, int width, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(width);
    return edit;
}

// A named push button that Enter does not press unless it is the default.
inline QPushButton* button(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setMinimumWidth(75);
    return b;
}

// A fixed-size dialog with a close box only, modal to its owner window alone
// so that the help window stays usable beside it.
inline void makeFixedDialog(QWidget* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    dialog->setWindowModality(Qt::WindowModal);
}

} // namespace pelmar::DialogStyle
