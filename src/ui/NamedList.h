#pragma once
// Drop-down lists with a name of their own for screen readers. Qt names a
// list on Linux by its current entry ("C"), leaving its label to say what it
// is for; these lists have no label, so they say it themselves: name "Key",
// value "C".

class QComboBox;
class QString;

namespace lyrovan {

// Gives list the accessible name and description (the entry stays its value).
// Call it as soon as the list is made, before any entry is added.
void NameList(QComboBox* list, const QString& name, const QString& description);

} // namespace lyrovan
