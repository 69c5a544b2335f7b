#include "ui/common/AccessibleControls.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QMouseEvent>

namespace pelmar {

namespace {

class AccessibleNamedComboBox : public QAccessibleWidget
{
public:
    explicit AccessibleNamedComboBox(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::ComboBox)
    {
    }

    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        // The name: the accessible name, else the buddy label's text.
        return QAccessibleWidget::text(t);
    }

    // The entries' list, as Qt's own combo box offers it.
    int childCount() const override { return box()->view() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 && box()->view() ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && box()->view() && child->object() == box()->view() ? 0 : -1;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const bool open = box()->view() && box()->view()->isVisible();
        s.expandable = true;
        s.expanded = open;
        s.collapsed = !open;
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList {showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action != showMenuAction() && action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (box()->view() && box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }
};

class AccessibleLinkPicture : public QAccessibleWidget
{
public:
    explicit AccessibleLinkPicture(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Link)
    {
    }

    QStringList actionNames() const override { return QStringList {pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            emit static_cast<LinkPicture*>(widget())->activated();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object)
{
    // Asked by class name, the most derived first, so Qt's own interfaces of
    // the base classes never get these.
    if (className == QLatin1String(NamedComboBox::staticMetaObject.className()))
        return new AccessibleNamedComboBox(static_cast<QWidget*>(object));
    if (className == QLatin1String(LinkPicture::staticMetaObject.className()))
        return new AccessibleLinkPicture(static_cast<QWidget*>(object));
    return nullptr;
}

void installFactoryOnce()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)installed;
}

} // namespace

NamedComboBox::NamedComboBox(QWidget* parent)
    : QComboBox(parent)
{
    installFactoryOnce();
}

LinkPicture::LinkPicture(QWidget* parent)
    : QLabel(parent)
{
    installFactoryOnce();
    setCursor(Qt::PointingHandCursor);
}

void LinkPicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit activated();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace pelmar
