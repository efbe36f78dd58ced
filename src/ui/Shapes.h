#pragma once
// Lines and filled rectangles as small named widgets, so that they can be
// shown, hidden and stacked like any other control.

#include <QColor>
#include <QWidget>

namespace lyrovan {

class LineShape : public QWidget {
    Q_OBJECT
public:
    // A horizontal or vertical line from (x1, y1) to (x2, y2) in twips,
    // width pixels thick.
    LineShape(QWidget* parent, const QString& name, int x1, int y1, int x2, int y2, const QColor& color,
              int width = 1);

    // From now on the line keeps at least 3:1 contrast to the window
    // background behind it: drawn in its colour where that has it, else in
    // the nearest shade that has. Chosen again whenever the palette changes.
    void keepStandingOut();

    // The colour the line is drawn in.
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void chooseColour();

    QColor m_preferred;
    QColor m_color;
    bool m_standsOut = false;
};

// A rectangle filled with one colour, placed in twips.
QWidget* MakeFilledRect(QWidget* parent, const QString& name, int left, int top, int width, int height,
                        const QColor& color);

} // namespace lyrovan
