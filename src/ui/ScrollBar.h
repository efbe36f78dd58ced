#pragma once
// A horizontal scroll bar that takes the keyboard focus (Tab, a click) and
// shows that it has it; the arrow keys, Page Up/Down, Home and End move it.

#include <QScrollBar>

namespace lyrovan {

class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// A scroll bar named name at place (twips in parent) with its range, its
// small and large steps, and its value.
ScrollBar* MakeScrollBar(QWidget* parent, const QString& name, const QRect& place, int minimum, int maximum,
                         int small, int large, int value);

} // namespace lyrovan
