#pragma once
// A push button (or toggle) with a picture above its caption. The caption
// wraps onto a second line when it is wider than the button. The picture is
// a 32 x 32 resource such as ":/strum.png"; its "@2x" companion (64 x 64)
// serves screens at more than 1x, so it stays sharp there.

#include <QIcon>
#include <QImage>
#include <QToolButton>
#include <initializer_list>
#include <vector>

namespace lyrovan {

// One of the program's PNG pictures (a resource such as ":/neck.png").
// The reader is told the format and does not probe the image format
// plug-ins, which would load every one of them (GIF, ICO, JPEG) at start-up.
QImage ReadPicture(const QString& name);

// The pictures of an icon: each file (":/strum.png") read as PNG, and its
// "@2x" companion where sharp (the screens have more device pixels than
// logical ones) and the program has one. Safe on any thread.
std::vector<QImage> ReadIconPictures(std::initializer_list<const char*> files, bool sharp);

// An icon of pictures ReadIconPictures read (on the window's thread).
QIcon IconOf(const std::vector<QImage>& pictures);

// The program's pictures as an icon, read as ReadIconPictures does for the
// screens there are. Reading them this way skips the icon plug-in lookup
// and format sniffing that QIcon::addFile costs at start-up.
QIcon PictureIcon(std::initializer_list<const char*> files);

class PictureButton : public QToolButton {
    Q_OBJECT
public:
    // The picture comes through setIcon (see PictureIcon and IconOf).
    PictureButton(const QString& name, const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lyrovan
