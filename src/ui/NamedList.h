#pragma once
// Drop-down lists with a name of their own for screen readers. Qt names a
// list on Linux by its current entry ("C"), leaving its label to say what it
// is for; these lists have no label, so they say it themselves: name "Key",
// value "C".

#include <QComboBox>

class QString;

namespace lyrovan {

// A drop-down list that builds its popup when the popup is first shown.
// QComboBox builds it on every change of the list's font, which costs
// start-up about a millisecond per list; here a font change only marks the
// popup for the new font, and the popup takes it when it opens.
class DropDownList : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    bool m_fontPending = false;
};

// Gives list the accessible name and description (the entry stays its value).
// Call it as soon as the list is made, before any entry is added.
void NameList(QComboBox* list, const QString& name, const QString& description);

// A drop-down list the user can only pick from, named name, at place (twips
// in parent), with its accessible name and description.
QComboBox* MakeDropDownList(QWidget* parent, const QString& name, const QRect& place, const QFont& font,
                            const QString& accessibleName, const QString& description);

} // namespace lyrovan
