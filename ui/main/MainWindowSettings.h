#pragma once

#include "core/UserData.h"

#include <QStringList>

namespace pelmar {

class SettingsStore;

// What the main window keeps from one run to the next: its flags, the price
// list and the setting values. Every value's name and place in the store is
// listed once, in MainWindowSettings.cpp; load and save both walk that list.
struct MainWindowSettings
{
    bool showWelcome = true; // the welcome dialog at the first activation
    bool showPreview = true; // the small preview box draws pictures
    bool showCrop = true; // the preview window marks what the print cuts off
    bool showThumbnails = false; // thumbnails before the file names of the list
    QStringList priceList; // the entries' text forms, in size box order
    QStringList settingValues; // "name=integer" lines
    QString lastOrderFolder; // the last build's folder, offered for a disc later
    QString lastPictureFolder; // where the open-picture dialog chose pictures last

    // Reads a previous run's settings; what is missing keeps its default.
    // The partner data is read with them (it is written by its own editor).
    static MainWindowSettings load(SettingsStore& store, TUserData& partner);
    // Writes everything in one transaction; false (and nothing written)
    // when any write fails.
    bool save(SettingsStore& store) const;
};

} // namespace pelmar
