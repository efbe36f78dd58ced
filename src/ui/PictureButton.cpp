#include "PictureButton.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace lyrovan {

QImage ReadPicture(const QString& name)
{
    QImageReader reader(name, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

std::vector<QImage> ReadIconPictures(std::initializer_list<const char*> files, bool sharp)
{
    std::vector<QImage> pictures;
    for (const char* file : files) {
        const QString name = QString::fromLatin1(file);
        pictures.push_back(ReadPicture(name));
        if (sharp) {
            QString large = name;
            large.insert(large.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
            if (QFile::exists(large)) {
                QImage picture = ReadPicture(large);
                picture.setDevicePixelRatio(2.0);
                pictures.push_back(std::move(picture));
            }
        }
    }
    return pictures;
}

QIcon IconOf(const std::vector<QImage>& pictures)
{
    QIcon icon;
    for (const QImage& picture : pictures) {
        if (!picture.isNull())
            icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}

QIcon PictureIcon(std::initializer_list<const char*> files)
{
    return IconOf(ReadIconPictures(files, qApp->devicePixelRatio() > 1.0));
}

PictureButton::PictureButton(const QString& name, const QString& caption, QWidget* parent) : QToolButton(parent)
{
    setObjectName(name);
    setText(caption);
    setIconSize(QSize(32, 32));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);

    // Let the style draw the button's panel only, then the picture and the
    // wrapped caption ourselves.
    QStyleOptionToolButton panel = option;
    panel.text.clear();
    panel.icon = QIcon();
    panel.features &= ~QStyleOptionToolButton::HasMenu;
    painter.drawComplexControl(QStyle::CC_ToolButton, panel);

    const bool sunken = option.state & (QStyle::State_Sunken | QStyle::State_On);
    const QPoint shift = sunken ? QPoint(1, 1) : QPoint();
    const QRect area = rect().adjusted(2, 3, -2, -2).translated(shift);

    const QPixmap picture =
        icon().pixmap(iconSize(), devicePixelRatioF(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    const QRect pictureRect(area.left() + (area.width() - iconSize().width()) / 2, area.top(),
                            iconSize().width(), iconSize().height());
    painter.drawPixmap(pictureRect, picture);

    const QRect textRect(area.left(), pictureRect.bottom() + 1, area.width(), area.bottom() - pictureRect.bottom());
    style()->drawItemText(&painter, textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic,
                          palette(), isEnabled(), text(), QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace lyrovan
