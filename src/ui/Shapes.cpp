#include "Shapes.h"

#include "Contrast.h"
#include "Twips.h"

#include <QEvent>
#include <QPainter>

namespace lyrovan {

LineShape::LineShape(QWidget* parent, const QString& name, int x1, int y1, int x2, int y2, const QColor& color,
                     int width)
    : QWidget(parent), m_preferred(color), m_color(color)
{
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const QPoint from = TwipPoint(qMin(x1, x2), qMin(y1, y2));
    const QPoint to = TwipPoint(qMax(x1, x2), qMax(y1, y2));
    // The line runs along the top or left edge of its bounds.
    setGeometry(from.x(), from.y(), qMax(width, to.x() - from.x() + (to.x() > from.x() ? 0 : width)),
                qMax(width, to.y() - from.y() + (to.y() > from.y() ? 0 : width)));
}

void LineShape::keepStandingOut()
{
    m_standsOut = true;
    chooseColour();
}

void LineShape::chooseColour()
{
    const QColor chosen =
        m_standsOut ? StandingOutOn(palette().color(QPalette::Window), m_preferred, 3.0) : m_preferred;
    if (chosen == m_color)
        return;
    m_color = chosen;
    update();
}

void LineShape::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        chooseColour();
    QWidget::changeEvent(event);
}

void LineShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}

QWidget* MakeFilledRect(QWidget* parent, const QString& name, int left, int top, int width, int height,
                        const QColor& color)
{
    auto* shape = new QWidget(parent);
    shape->setObjectName(name);
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
    shape->setAutoFillBackground(true);
    QPalette palette = shape->palette();
    palette.setColor(QPalette::Window, color);
    shape->setPalette(palette);
    shape->setGeometry(TwipRect(left, top, width, height));
    return shape;
}

} // namespace lyrovan
