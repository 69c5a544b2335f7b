#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace pelmar::Shell {

namespace {
std::function<void(const QString&)>& handler()
{
    static std::function<void(const QString&)> h;
    return h;
}
} // namespace

void openDocument(const QString& target)
{
    if (handler()) {
        handler()(target);
        return;
    }
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    QDesktopServices::openUrl(url);
}

void setOpenHandler(std::function<void(const QString&)> handler_)
{
    handler() = std::move(handler_);
}

} // namespace pelmar::Shell
