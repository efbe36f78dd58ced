// Checks the compiled-in pictures, above all the neck: the fretboard places
// note markers over it by fixed coordinates, so its strings, nut and fret
// wires must be where those markers expect them.

#include "fretboard/Neck.h"
#include "ui/Background.h"
#include "ui/Fonts.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QWidget>
#include <QList>
#include <QSemaphore>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <array>

namespace {

constexpr int kNeckWidth = 637;
constexpr int kNeckHeight = 69;
constexpr std::array<int, 6> kStringRows = {5, 16, 28, 39, 51, 63};
constexpr std::array<int, 21> kWireStarts = {52, 103, 148, 191, 233, 273, 311, 345, 377, 406, 432,
    457, 481, 502, 523, 543, 562, 580, 598, 616, 632};
constexpr int kWireWidth = 4;
constexpr int kNutFirst = 1;
constexpr int kNutLast = 3;
constexpr std::array<int, 9> kInlayFrets = {3, 5, 7, 9, 12, 15, 17, 19, 21};

// Rows midway between strings 1-2 and 5-6: plain board, never an inlay.
constexpr std::array<int, 2> kPlainBoardRows = {10, 57};

// Where the neck strip shows the picture, in twips.
constexpr double kPictureLeft = 360;
constexpr double kPictureTop = 30;
constexpr double kPictureWidth = 11595;
constexpr double kPictureHeight = 1995;
constexpr double kTwipsPerColumn = kPictureWidth / kNeckWidth;
constexpr double kTwipsPerRow = kPictureHeight / kNeckHeight;

// Note markers in the strip, in twips.
constexpr double kMarkerHeight = 195;
constexpr std::array<double, 6> kMarkerTops = {60, 420, 720, 1080, 1380, 1740};

// First and last column of the space of fret f (1..21), between the previous
// wire (or the nut) and wire f.
std::pair<int, int> fretSpace(int fret)
{
    const int first = fret == 1 ? kNutLast + 1 : kWireStarts[static_cast<std::size_t>(fret - 2)] + kWireWidth;
    return {first, kWireStarts[static_cast<std::size_t>(fret - 1)] - 1};
}

int spaceMiddle(int fret)
{
    const auto [first, last] = fretSpace(fret);
    return (first + last) / 2;
}

int brightness(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

QImage neck()
{
    QImage image(QStringLiteral(":/neck.png"));
    if (image.isNull())
        QTest::qFail("cannot load :/neck.png", __FILE__, __LINE__);
    return image;
}

} // namespace

class TestNeckPicture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { lyrovan::LoadBundledFonts(); }
    void neckIsTrueColourOfFixedSize();
    void wiresLineUpWithMarkers_data();
    void wiresLineUpWithMarkers();
    void stringsLieInsideMarkerRows_data();
    void stringsLieInsideMarkerRows();
    void stringsAreBrighterThanBoard_data();
    void stringsAreBrighterThanBoard();
    void smallPictures_data();
    void smallPictures();
    void pictureArrivesOnlyWhileItsPlaceLives_data();
    void pictureArrivesOnlyWhileItsPlaceLives();
};

void TestNeckPicture::neckIsTrueColourOfFixedSize()
{
    const QImage image = neck();
    QCOMPARE(image.size(), QSize(kNeckWidth, kNeckHeight));
    QVERIFY(!image.hasAlphaChannel());

    // Qt widens RGB to 32 bits on loading, so look at the PNG header itself:
    // 8 bits per sample, colour type 2 (RGB, no alpha, no palette).
    QFile file(QStringLiteral(":/neck.png"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(26);
    QCOMPARE(header.size(), 26);
    QCOMPARE(header.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(int(header.at(24)), 8);
    QCOMPARE(int(header.at(25)), 2);
}

void TestNeckPicture::wiresLineUpWithMarkers_data()
{
    QTest::addColumn<int>("fret");
    QTest::addColumn<int>("firstColumn");
    QTest::addColumn<int>("lastColumn");
    QTest::addColumn<QList<QRect>>("markers"); // strings 1..6, in strip twips

    // The markers as the neck really lays them out, in the window's font.
    QWidget window;
    window.setFont(lyrovan::WindowFont());
    const lyrovan::Neck neck(&window); // builds its markers in window
    const auto markersAt = [&](int fret) {
        QList<QRect> rects;
        for (int string = 1; string <= 6; ++string) {
            const QRect px = window.findChild<QLabel*>(QStringLiteral("lbl%1(%2)").arg(string).arg(fret))->geometry();
            rects << QRect(px.x() * 15, px.y() * 15, px.width() * 15, px.height() * 15);
        }
        return rects;
    };
    QTest::newRow("nut") << 0 << kNutFirst << kNutLast << markersAt(0);
    for (int fret = 1; fret <= 21; ++fret) {
        const int start = kWireStarts[static_cast<std::size_t>(fret - 1)];
        QTest::addRow("fret %d", fret) << fret << start << start + kWireWidth - 1 << markersAt(fret);
    }
}

void TestNeckPicture::wiresLineUpWithMarkers()
{
    QFETCH(int, fret);
    QFETCH(int, firstColumn);
    QFETCH(int, lastColumn);
    QFETCH(QList<QRect>, markers);
    const QImage image = neck();
    QCOMPARE(image.size(), QSize(kNeckWidth, kNeckHeight));

    // The wire (or nut) stands out against the bare board beside it, and it
    // is exactly as wide as listed: the columns on either side are darker.
    const int boardColumn = spaceMiddle(std::max(fret, 1));
    for (int row : kPlainBoardRows) {
        const int board = brightness(image, boardColumn, row);
        int dimmest = 255;
        for (int x = firstColumn; x <= lastColumn; ++x) {
            const int wire = brightness(image, x, row);
            QVERIFY2(wire > board + 40,
                qPrintable(QStringLiteral("column %1 row %2: %3 vs board %4").arg(x).arg(row).arg(wire).arg(board)));
            dimmest = std::min(dimmest, wire);
        }
        QVERIFY(brightness(image, firstColumn - 1, row) < dimmest);
        if (lastColumn + 1 < kNeckWidth)
            QVERIFY(brightness(image, lastColumn + 1, row) < dimmest);
    }

    // Mapped into the strip, the wire overlaps the fret's marker on every string.
    const double wireLeft = kPictureLeft + firstColumn * kTwipsPerColumn;
    const double wireRight = kPictureLeft + (lastColumn + 1) * kTwipsPerColumn;
    QCOMPARE(markers.size(), 6);
    for (int s = 0; s < 6; ++s) {
        const double markerLeft = markers.at(s).x();
        const double markerRight = markerLeft + markers.at(s).width();
        const double overlap = std::min(wireRight, markerRight) - std::max(wireLeft, markerLeft);
        QVERIFY2(overlap > 0.0,
            qPrintable(QStringLiteral("string %1: wire %2-%3, marker %4-%5")
                           .arg(s + 1).arg(wireLeft).arg(wireRight).arg(markerLeft).arg(markerRight)));
    }
}

void TestNeckPicture::stringsLieInsideMarkerRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("markerTop");
    for (std::size_t s = 0; s < kStringRows.size(); ++s)
        QTest::addRow("string %d", int(s + 1)) << kStringRows[s] << kMarkerTops[s];
}

void TestNeckPicture::stringsLieInsideMarkerRows()
{
    QFETCH(int, row);
    QFETCH(double, markerTop);
    const double top = kPictureTop + row * kTwipsPerRow;
    const double bottom = kPictureTop + (row + 1) * kTwipsPerRow;
    QVERIFY2(top >= markerTop && bottom <= markerTop + kMarkerHeight,
        qPrintable(QStringLiteral("row spans %1-%2, marker %3-%4")
                       .arg(top).arg(bottom).arg(markerTop).arg(markerTop + kMarkerHeight)));
}

void TestNeckPicture::stringsAreBrighterThanBoard_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("rowAbove"); // a row midway to the neighbouring string, or -1
    QTest::addColumn<int>("rowBelow");
    for (std::size_t s = 0; s < kStringRows.size(); ++s) {
        const int row = kStringRows[s];
        const int above = s == 0 ? -1 : (kStringRows[s - 1] + row) / 2;
        const int below = s + 1 == kStringRows.size() ? -1 : (row + kStringRows[s + 1]) / 2;
        QTest::addRow("string %d", int(s + 1)) << row << above << below;
    }
}

void TestNeckPicture::stringsAreBrighterThanBoard()
{
    QFETCH(int, row);
    QFETCH(int, rowAbove);
    QFETCH(int, rowBelow);
    const QImage image = neck();
    QCOMPARE(image.size(), QSize(kNeckWidth, kNeckHeight));

    // Along every fret space without an inlay, leaving out the columns next to
    // the wires (their shadows).
    for (int fret = 1; fret <= 21; ++fret) {
        if (std::find(kInlayFrets.begin(), kInlayFrets.end(), fret) != kInlayFrets.end())
            continue;
        const auto [first, last] = fretSpace(fret);
        for (int x = first + 1; x < last; ++x) {
            const int string = brightness(image, x, row);
            for (int other : {rowAbove, rowBelow}) {
                if (other < 0)
                    continue;
                QVERIFY2(string > brightness(image, x, other),
                    qPrintable(QStringLiteral("column %1: row %2 not brighter than row %3").arg(x).arg(row).arg(other)));
            }
        }
    }
}

void TestNeckPicture::smallPictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("sixteenColours");
    QTest::newRow("icon16") << QStringLiteral(":/icon16.png") << 16 << true;
    QTest::newRow("icon32") << QStringLiteral(":/icon32.png") << 32 << true;
    QTest::newRow("strum") << QStringLiteral(":/strum.png") << 32 << false;
    QTest::newRow("prev") << QStringLiteral(":/prev.png") << 32 << true;
    QTest::newRow("next") << QStringLiteral(":/next.png") << 32 << true;
}

void TestNeckPicture::smallPictures()
{
    QFETCH(QString, path);
    QFETCH(int, size);
    QFETCH(bool, sixteenColours);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), QSize(size, size));
    if (!sixteenColours)
        return;

    // The standard 16-colour palette; fully transparent pixels do not count.
    const QSet<QRgb> palette = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
        0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF,
        0x00FFFF, 0xFFFFFF};
    QSet<QRgb> used;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) == 0)
                continue;
            QVERIFY2(qAlpha(c) == 255, qPrintable(QStringLiteral("half-transparent pixel %1,%2").arg(x).arg(y)));
            used.insert(c & 0xFFFFFF);
        }
    }
    QVERIFY(used.size() <= 16);
    for (QRgb c : used)
        QVERIFY2(palette.contains(c), qPrintable(QString::number(c, 16)));
}

// The neck's picture is stretched in the background; the neck may be gone
// (window closed at once) before it is ready.
void TestNeckPicture::pictureArrivesOnlyWhileItsPlaceLives_data()
{
    QTest::addColumn<bool>("placeGoesFirst");
    QTest::addColumn<bool>("workFails");
    QTest::addColumn<QString>("heard");
    QTest::newRow("place lives") << false << false << "done";
    QTest::newRow("place gone") << true << false << "";
    QTest::newRow("work fails") << false << true << "failed";
    QTest::newRow("work fails, place gone") << true << true << "";
}

void TestNeckPicture::pictureArrivesOnlyWhileItsPlaceLives()
{
    QFETCH(bool, placeGoesFirst);
    QFETCH(bool, workFails);
    QFETCH(QString, heard);
    QSemaphore go;
    auto* place = new QObject;
    QString got;
    lyrovan::WhenDone(
        lyrovan::RunInBackground([&go, workFails] {
            go.acquire();
            if (workFails)
                throw std::runtime_error("unreadable");
            return QImage(4, 4, QImage::Format_RGB32);
        }),
        place, [&got](const QImage& picture) { got = picture.isNull() ? "null" : "done"; },
        [&got] { got = "failed"; });
    if (placeGoesFirst)
        delete place;
    go.release();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
    QTest::qWait(20);
    QCOMPARE(got, heard);
    if (!placeGoesFirst)
        delete place;
}

QTEST_MAIN(TestNeckPicture)
#include "tst_neckpicture.moc"
