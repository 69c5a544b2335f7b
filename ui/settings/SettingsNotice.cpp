#include "ui/settings/SettingsNotice.h"

#include "platform/SettingsStore.h"
#include "ui/common/MessageBox.h"

namespace pelmar {

void reportSetAside(QWidget* parent, const SettingsStore& store)
{
    const QString text = settingsStateMessage(store);
    if (!text.isEmpty())
        MessageBox::information(parent, text);
}

} // namespace pelmar
