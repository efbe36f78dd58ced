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

    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

// A rectangle filled with one colour, placed in twips.
QWidget* MakeFilledRect(QWidget* parent, const QString& name, int left, int top, int width, int height,
                        const QColor& color);

} // namespace lyrovan
