#include "NamedList.h"

#include "Twips.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QString>

namespace lyrovan {

namespace {

const char* const NamedProperty = "lyrovanNamedList";

// Marks the chosen entry selected among the popup's entries, and only it, as
// the popup itself does when it opens: screen readers look for the chosen
// entry there.
void SelectChosenEntry(QComboBox* list)
{
    QItemSelectionModel* selection = list->view()->selectionModel();
    if (!selection)
        return;
    const QModelIndex chosen = list->model()->index(list->currentIndex(), list->modelColumn(), list->rootModelIndex());
    if (!chosen.isValid()) {
        selection->clearSelection();
        return;
    }
    if (selection->isSelected(chosen) && selection->selectedIndexes().size() == 1)
        return;
    selection->select(chosen, QItemSelectionModel::ClearAndSelect);
}

// The list as screen readers see it, after Qt's own drop-down list: a combo
// box whose one child is the popup's list of entries, the chosen one marked
// selected there; the chosen entry is its value and its text. Its name is
// what it is for ("Key"), where Qt's would repeat the entry.
class NamedListAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit NamedListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

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
        if (index != 0)
            return nullptr;
        SelectChosenEntry(list()); // the entries are built when first asked for
        return QAccessible::queryAccessibleInterface(list()->view());
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

    // Opening the popup, and taking the focus (as a screen reader asks to).
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction())
            list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

    // The text: the chosen entry, read only, the caret before it.
    QString text(int startOffset, int endOffset) const override
    {
        return list()->currentText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(list()->currentText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
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
    // QComboBox announces the new value itself; a screen reader also hears
    // the text change and finds the new entry selected.
    QObject::connect(list, &QComboBox::currentIndexChanged, list, [list, shown = list->currentText()]() mutable {
        const QString chosen = list->currentText();
        if (QAccessible::isActive()) {
            SelectChosenEntry(list);
            QAccessibleTextUpdateEvent event(list, 0, shown, chosen);
            QAccessible::updateAccessibility(&event);
        }
        shown = chosen;
    });
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
