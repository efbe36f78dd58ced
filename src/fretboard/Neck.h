#pragma once
// The neck view: the viewport picNeckOuter with its sliding strip, the neck
// picture, the fret and string numbers and the 132 note markers.

#include <QObject>

class QWidget;
class QLabel;

namespace lyrovan {

class clsChord;

class Neck : public QObject {
    Q_OBJECT
public:
    // Builds the neck's controls as children of window.
    explicit Neck(QWidget* window);

    QWidget* viewport() const { return m_outer; }
    // String numbers "1-".."6-" (0..5) and "-1".."-6" (6..11).
    QLabel* stringLabel(int index) const { return m_strings[index]; }

    // Hides every note marker and whitens its background.
    void ClearFretboard();
    // Shows the markers of the chord's notes, the key's in red.
    void UpdateFretboard(const clsChord& chord);

private:
    QWidget* m_outer = nullptr;
    QLabel* m_strings[12] = {};
};

} // namespace lyrovan
