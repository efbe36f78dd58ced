#include "Neck.h"

#include "theory/clsChord.h"
#include "ui/Fonts.h"
#include "ui/Labels.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QWidget>

namespace lyrovan {

namespace {
constexpr int StringTops[6] = {1050, 1380, 1710, 2040, 2370, 2715};
} // namespace

Neck::Neck(QWidget* window) : QObject(window)
{
    m_outer = new QWidget(window);
    m_outer->setObjectName(QStringLiteral("picNeckOuter"));
    m_outer->setGeometry(TwipRect(360, 960, 5115, 2655));
    m_outer->setAutoFillBackground(true);
    QPalette palette = m_outer->palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    m_outer->setPalette(palette);

    const QFont font = TahomaFont(12, true);
    for (int k = 0; k < 6; ++k) {
        m_strings[k] = MakeLabel(window, QStringLiteral("lblString(%1)").arg(k), QStringLiteral("%1-").arg(k + 1),
                                 90, StringTops[k], 255, 285, font, Fit::Caption);
        QLabel* right = MakeLabel(window, QStringLiteral("lblString(%1)").arg(k + 6),
                                  QStringLiteral("-%1").arg(k + 1), 5520, StringTops[k], 255, 285, font, Fit::Caption);
        right->setAlignment(Qt::AlignRight | Qt::AlignTop);
        m_strings[k + 6] = right;
    }
}

void Neck::ClearFretboard()
{
}

void Neck::UpdateFretboard(const clsChord& chord)
{
    ClearFretboard();
    (void)chord;
}

} // namespace lyrovan
