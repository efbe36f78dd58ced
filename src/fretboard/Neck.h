#pragma once
// The neck view: the viewport picNeckOuter with its sliding strip, the neck
// picture, the fret and string numbers and the 132 note markers.
//
// The strip picNeckInner is much longer than the viewport; the scroll bar
// scrNeck under it slides it sideways (its Left is always minus the bar's
// value). The markers lbl1..lbl6 (one array per string, element = fret)
// carry the note name found at their place as a fixed caption; an update
// shows those whose caption is one of the chord's notes, the key's in red.

#include "ui/Beside.h"

#include <QImage>
#include <QObject>

class QWidget;
class QLabel;
class QScrollBar;

namespace lyrovan {

class clsChord;

class Neck : public QObject {
    Q_OBJECT
public:
    static constexpr int Strings = 6;
    static constexpr int Frets = 22; // 0 (open string) to 21

    // Builds the neck's controls as children of window. The neck picture is
    // read and stretched on a worker meanwhile; PlacePicture puts it in.
    explicit Neck(QWidget* window);

    // Waits for the neck picture and shows it. The window calls this once
    // its other controls are built, which gives the worker that much longer.
    void PlacePicture();

    // Hides every marker and whitens it, as an update without notes does.
    void ClearBoard();

    QWidget* viewport() const { return m_outer; }
    QWidget* strip() const { return m_inner; }
    QScrollBar* scrollBar() const { return m_scroll; }
    // String numbers "1-".."6-" (0..5) and "-1".."-6" (6..11).
    QLabel* stringLabel(int index) const { return m_strings[index]; }
    // The marker of string (1..6) at fret (0..21).
    QLabel* marker(int string, int fret) const { return m_markers[string - 1][fret]; }

    // Shows the markers of the chord's notes, the key's on red, and hides
    // the others; every marker on white but the key's.
    void UpdateFretboard(const clsChord& chord);

private:
    void BuildStrip();
    void BuildMarkers();
    // Moves the strip to follow the scroll bar's value.
    void scrNeck_Change();

    QWidget* m_outer = nullptr;
    QWidget* m_inner = nullptr;
    QLabel* m_image = nullptr;
    Beside<QImage> m_picture;
    QScrollBar* m_scroll = nullptr;
    QLabel* m_strings[12] = {};
    QLabel* m_markers[Strings][Frets] = {};
};

} // namespace lyrovan
