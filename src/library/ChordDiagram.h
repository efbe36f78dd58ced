#pragma once
// The frame "Chord Diagram": string, nut and fret lines, the 6 x 6 grid of
// cells a fingering is written into, the fret and chord captions, and the
// shaded area that marks the strings a bass plays.

#include <QObject>

class QGroupBox;
class QWidget;

namespace lyrovan {

class ChordDiagram : public QObject {
    Q_OBJECT
public:
    // Builds the frame and its contents as children of window.
    explicit ChordDiagram(QWidget* window);

    QGroupBox* frame() const { return m_frame; }

private:
    QGroupBox* m_frame = nullptr;
};

} // namespace lyrovan
