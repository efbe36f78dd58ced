#pragma once
// A push button (or toggle) with a picture above its caption. The caption
// wraps onto a second line when it is wider than the button. The picture is
// a 32 x 32 resource such as ":/strum.png"; its "@2x" companion (64 x 64)
// serves screens at more than 1x, so it stays sharp there.

#include <QIcon>
#include <QImage>
#include <QToolButton>
#include <initializer_list>

namespace lyrovan {

// One of the program's PNG pictures (a resource such as ":/neck.png").
// The reader is told the format and does not probe the image format
// plug-ins, which would load every one of them (GIF, ICO, JPEG) at start-up.
QImage ReadPicture(const QString& name);

// The program's pictures as an icon: each file (":/strum.png") is read as
// PNG, and its "@2x" companion only where the screens have more device
// pixels than logical ones. Reading them this way skips the icon plug-in
// lookup and format sniffing that QIcon::addFile costs at start-up.
QIcon PictureIcon(std::initializer_list<const char*> files);

class PictureButton : public QToolButton {
    Q_OBJECT
public:
    PictureButton(const QString& name, const QString& caption, const char* picture, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lyrovan
