#pragma once
// The neck view: the viewport picNeckOuter with its sliding strip, the neck
// picture, the fret and string numbers and the 132 note markers.
//
// The strip picNeckInner is much longer than the viewport; the scroll bar
// scrNeck under it slides it sideways (its Left is always minus the bar's
// value). The markers lbl1..lbl6 (one array per string, element = fret)
// carry the note name found at their place as a fixed caption; an update
// shows those whose caption is one of the chord's notes, the key's in red.

#include <QObject>

class QWidget;
class QLabel;
class QScrollBar;

namespace lyrovan {

class Neck : public QObject {
    Q_OBJECT
public:
    static constexpr int Strings = 6;
    static constexpr int Frets = 22; // 0 (open string) to 21

    // Builds the neck's controls as children of window. The neck picture is
    // read and stretched in the background and put in once it is ready.
    explicit Neck(QWidget* window);

    // Hides every marker and whitens it, as an update without notes does.
    void ClearBoard();

    // For the window's layout: the viewport (in front of the string
    // numbers) and its scroll bar (in the tab order).
    QWidget* viewport() const { return m_outer; }
    QScrollBar* scrollBar() const { return m_scroll; }

    // Shows the markers whose note is one of notes (two-character note
    // names, "C E G "), those of key ("C ") on red as long as there are
    // notes, and hides the others; every marker on white but the key's.
    void ShowNotes(const QString& key, const QString& notes);

private:
    void BuildStrip();
    void BuildMarkers();
    // Moves the strip to follow the scroll bar's value.
    void scrNeck_Change();

    QWidget* m_outer = nullptr;
    QWidget* m_inner = nullptr;
    QLabel* m_image = nullptr;
    QScrollBar* m_scroll = nullptr;
    QLabel* m_markers[Strings][Frets] = {};
};

} // namespace lyrovan
