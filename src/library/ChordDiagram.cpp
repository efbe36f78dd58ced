#include "ChordDiagram.h"

#include "ui/Fonts.h"
#include "ui/Twips.h"

#include <QGroupBox>

namespace lyrovan {

ChordDiagram::ChordDiagram(QWidget* window) : QObject(window)
{
    m_frame = new QGroupBox(QStringLiteral("Chord Diagram"), window);
    m_frame->setObjectName(QStringLiteral("fraChordDiagram"));
    m_frame->setFont(TahomaFont(9.75));
    m_frame->setGeometry(TwipRect(5835, 960, 2955, 2655));
}

} // namespace lyrovan
