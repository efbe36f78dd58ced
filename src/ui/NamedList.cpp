#include "NamedList.h"

#include "Twips.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QString>

namespace lyrovan {

namespace {

const char* const NamedProperty = "lyrovanNamedList";

class NamedListAccessible : public QAccessibleWidget {
public:
    explicit NamedListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return list()->currentText();
        return QAccessibleWidget::text(t); // the name and description set on the list
    }

    // The entries, as the list's one child.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = list()->view()->isVisible();
        return state;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction())
            list()->showPopup();
    }

private:
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* NamedListFactory(const QString&, QObject* object)
{
    auto* list = qobject_cast<QComboBox*>(object);
    if (list && list->property(NamedProperty).toBool())
        return new NamedListAccessible(list);
    return nullptr;
}

} // namespace

void DropDownList::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_fontPending = true;
        updateGeometry();
        QWidget::changeEvent(event);
        return;
    }
    QComboBox::changeEvent(event);
}

void DropDownList::showPopup()
{
    if (m_fontPending) {
        m_fontPending = false;
        QEvent change(QEvent::FontChange);
        QComboBox::changeEvent(&change);
    }
    QComboBox::showPopup();
}

void NameList(QComboBox* list, const QString& name, const QString& description)
{
    static const bool installed = [] {
        QAccessible::installFactory(NamedListFactory);
        return true;
    }();
    Q_UNUSED(installed);
    list->setProperty(NamedProperty, true);
    list->setAccessibleName(name);
    list->setAccessibleDescription(description);
}

QComboBox* MakeDropDownList(QWidget* parent, const QString& name, const QRect& place, const QFont& font,
                            const QString& accessibleName, const QString& description)
{
    auto* list = new DropDownList(parent);
    list->setObjectName(name);
    NameList(list, accessibleName, description);
    list->setEditable(false);
    list->setFont(font);
    list->setGeometry(TwipRect(place));
    return list;
}

} // namespace lyrovan
