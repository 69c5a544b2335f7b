#pragma once

// The main window's controls, reached by their object names as an
// accessibility tool would; the window keeps them private.

#include "ui/main/MainForm.h"
#include "ui/main/PictureListView.h"
#include "ui/main/QuantityBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace pelmar::test {

// The one object of this name and kind; the preview window's own "Panel1"
// and "PaintBox" live in another window and do not count.
template <typename T> T* mainPart(const MainForm& form, const char* name)
{
    T* found = nullptr;
    for (T* candidate : form.findChildren<T*>(QLatin1String(name))) {
        if (auto* widget = qobject_cast<QWidget*>(candidate);
            widget && !qobject_cast<QMenu*>(widget) && widget->window() != &form)
            continue;
        EXPECT_EQ(found, nullptr) << "two controls named " << name;
        found = candidate;
    }
    EXPECT_NE(found, nullptr) << "no control named " << name;
    return found;
}

#define PELMAR_MAIN_PART(Type, Name)                                                                                   \
    inline Type* Name(const MainForm& form)                                                                            \
    {                                                                                                                  \
        return mainPart<Type>(form, #Name);                                                                            \
    }

PELMAR_MAIN_PART(QToolBar, ToolBar1)
PELMAR_MAIN_PART(QLabel, PelmarLogo)
PELMAR_MAIN_PART(QWidget, Panel1)
PELMAR_MAIN_PART(QWidget, Panel2)
PELMAR_MAIN_PART(QRadioButton, RBFill)
PELMAR_MAIN_PART(QRadioButton, RBFit)
PELMAR_MAIN_PART(QComboBox, CBSize)
PELMAR_MAIN_PART(QuantityBox, Darab)
PELMAR_MAIN_PART(QLabel, LItemPrice)
PELMAR_MAIN_PART(QLabel, LItemSumPrice)
PELMAR_MAIN_PART(QPushButton, ModSelBtn)
PELMAR_MAIN_PART(QLabel, ImgInfo)
PELMAR_MAIN_PART(QLabel, LErrorStr)
PELMAR_MAIN_PART(QProgressBar, PBAdd)
PELMAR_MAIN_PART(PictureListView, FileList)
PELMAR_MAIN_PART(QCheckBox, CBShowPreview)
PELMAR_MAIN_PART(QToolButton, PreviewImgBtn)
PELMAR_MAIN_PART(TPaintBox, PaintBox)
PELMAR_MAIN_PART(QLabel, SumMenny)
PELMAR_MAIN_PART(QLabel, SumPrice)
PELMAR_MAIN_PART(QAction, AddPic)
PELMAR_MAIN_PART(QAction, DelPic)
PELMAR_MAIN_PART(QAction, OutputMegr)
PELMAR_MAIN_PART(QAction, PrintMegr)
PELMAR_MAIN_PART(QAction, UserData)
PELMAR_MAIN_PART(QAction, ShowPrices)
PELMAR_MAIN_PART(QAction, Contents)
PELMAR_MAIN_PART(QAction, About)
PELMAR_MAIN_PART(QAction, SelectAll)
PELMAR_MAIN_PART(QAction, SelectNone)
PELMAR_MAIN_PART(QAction, miOpenOrder)
PELMAR_MAIN_PART(QAction, miSaveOrder)
PELMAR_MAIN_PART(QMenu, miFile)
PELMAR_MAIN_PART(QMenu, miView)
PELMAR_MAIN_PART(QAction, miThumbnails)
PELMAR_MAIN_PART(QMenu, miSettings)
PELMAR_MAIN_PART(QMenu, miHelp)
PELMAR_MAIN_PART(QAction, miCheckVersion)
PELMAR_MAIN_PART(QAction, miExit)
PELMAR_MAIN_PART(QAction, miWhatsNew)
PELMAR_MAIN_PART(QAction, miJumpPelmar)
PELMAR_MAIN_PART(QAction, miJumpDigi)

#undef PELMAR_MAIN_PART

} // namespace pelmar::test
