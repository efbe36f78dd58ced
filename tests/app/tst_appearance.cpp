// How the window looks, read from its pixels: note markers, fret numbers,
// status captions, the diagram's top row and bold text, with a light and a
// dark palette. CTest runs this at the scale factors 1, 1.25, 1.5 and 2
// (QT_SCALE_FACTOR), so each check holds on HiDPI screens too.

#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "fretboard/Neck.h"
#include "support/TestSupport.h"
#include "ui/Contrast.h"
#include "ui/Fonts.h"
#include "ui/Labels.h"
#include "ui/Shapes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

// A dark desktop's palette, as a platform theme hands it to the program.
QPalette DarkPalette()
{
    QPalette dark;
    const auto set = [&dark](QPalette::ColorRole role, QColor colour) { dark.setColor(role, colour); };
    set(QPalette::Window, QColor(53, 53, 53));
    set(QPalette::WindowText, Qt::white);
    set(QPalette::Base, QColor(35, 35, 35));
    set(QPalette::AlternateBase, QColor(66, 66, 66));
    set(QPalette::Text, Qt::white);
    set(QPalette::Button, QColor(53, 53, 53));
    set(QPalette::ButtonText, Qt::white);
    set(QPalette::Light, QColor(90, 90, 90));
    set(QPalette::Midlight, QColor(75, 75, 75));
    set(QPalette::Mid, QColor(40, 40, 40));
    set(QPalette::Dark, QColor(30, 30, 30));
    set(QPalette::Shadow, QColor(20, 20, 20));
    set(QPalette::Highlight, QColor(42, 130, 218));
    set(QPalette::HighlightedText, Qt::black);
    set(QPalette::ToolTipBase, QColor(53, 53, 53));
    set(QPalette::ToolTipText, Qt::white);
    return dark;
}

// Rows of the neck picture's six strings, and its place in the strip (pixels).
constexpr int StringRows[6] = {5, 16, 28, 39, 51, 63};
constexpr double PictureTop = 2.0;
constexpr double PictureRowHeight = 133.0 / 69.0;

// The device pixels lying wholly inside a widget's logical rectangle.
QRect DeviceInside(const QRect& logical, qreal dpr)
{
    const int left = int(std::ceil(logical.x() * dpr));
    const int top = int(std::ceil(logical.y() * dpr));
    const int right = int(std::floor((logical.x() + logical.width()) * dpr)) - 1;
    const int bottom = int(std::floor((logical.y() + logical.height()) * dpr)) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect RectIn(const QWidget* widget, const QWidget* ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

// Pixels that stand out from back, within area: their bounds and the colour
// that stands out most.
struct Ink {
    QRect bounds;
    QColor strongest;
    double contrast = 1.0;
};

Ink InkIn(const QImage& image, const QRect& area, const QColor& back)
{
    Ink ink;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const double contrast = ContrastRatio(pixel, back);
            if (contrast < 1.5)
                continue;
            ink.bounds |= QRect(x, y, 1, 1);
            if (contrast > ink.contrast) {
                ink.contrast = contrast;
                ink.strongest = pixel;
            }
        }
    }
    return ink;
}

// The colour most pixels of the image have.
QColor Commonest(const QImage& image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb best = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    }
    return QColor::fromRgb(best);
}

// Mean stroke width of dark text on white, in device pixels: twice the inked
// area over the length of its outline.
double StrokeWidth(const QFont& font, const QString& text, qreal dpr)
{
    const QFontMetrics metrics(font);
    QImage image((QSizeF(metrics.horizontalAdvance(text) + 8, metrics.height() + 8) * dpr).toSize(),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(4, 4 + metrics.ascent()), text);
    painter.end();
    double area = 0, outline = 0;
    const auto ink = [&image](int x, int y) { return (255 - qGray(image.pixel(x, y))) / 255.0; };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            area += ink(x, y);
            if (x + 1 < image.width())
                outline += std::abs(ink(x + 1, y) - ink(x, y));
            if (y + 1 < image.height())
                outline += std::abs(ink(x, y + 1) - ink(x, y));
        }
    }
    return outline > 0 ? 2 * area / outline : 0;
}

} // namespace

class TestAppearance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void markersReadableOnTheirStrings_data() { palettes(); }
    void markersReadableOnTheirStrings();
    void statusCaptionsStayInTheirPanels_data() { palettes(); }
    void statusCaptionsStayInTheirPanels();
    void diagramTopRowClearOfTheNut_data() { palettes(); }
    void diagramTopRowClearOfTheNut();
    void boldTextLooksBold_data();
    void boldTextLooksBold();
    void captionSizesAsQLabelMeasuresThem_data();
    void captionSizesAsQLabelMeasuresThem();

private:
    void palettes();
    frmMain* openWindow();

    QTemporaryDir m_folder;
    std::unique_ptr<RecordingPresenter> m_recorder;
    std::unique_ptr<frmMain> m_window;
};

void TestAppearance::initTestCase()
{
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
    // The scale CTest asked for is the one the window gets.
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    QCOMPARE(qApp->devicePixelRatio(), scale.isEmpty() ? 1.0 : scale.toDouble());
}

void TestAppearance::cleanup()
{
    m_window.reset();
    m_recorder.reset();
    QApplication::setPalette(QApplication::style()->standardPalette());
}

void TestAppearance::palettes()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << QApplication::style()->standardPalette();
    QTest::newRow("dark") << DarkPalette();
}

// The window after start-up (C major; no chord database, so no positions)
// under the row's palette.
frmMain* TestAppearance::openWindow()
{
    QFETCH(QPalette, palette);
    QApplication::setPalette(palette);
    m_recorder = std::make_unique<RecordingPresenter>();
    m_window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), nullptr});
    m_window->Form_Load();
    return m_window.get();
}

void TestAppearance::markersReadableOnTheirStrings()
{
    frmMain* window = openWindow();
    auto* viewport = named<QWidget>(window, QStringLiteral("picNeckOuter"));
    auto* scroll = named<QScrollBar>(viewport, QStringLiteral("scrNeck"));
    auto* strip = named<QWidget>(viewport, QStringLiteral("picNeckInner"));
    QVERIFY(viewport && scroll && strip);
    const QImage image = viewport->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    QCOMPARE(dpr, window->devicePixelRatioF());
    const QRect shown(0, 0, viewport->width(), scroll->y());

    int checked = 0;
    for (int string = 1; string <= 6; ++string) {
        // The string's middle row, in device pixels of the viewport.
        const double stringY = (strip->y() + PictureTop + (StringRows[string - 1] + 0.5) * PictureRowHeight) * dpr;
        for (int fret = 0; fret < 22; ++fret) {
            auto* marker = named<QLabel>(strip, QStringLiteral("lbl%1(%2)").arg(string).arg(fret));
            const QRect place = RectIn(marker, viewport);
            if (!marker->isVisible() || !shown.contains(place))
                continue;
            const QString what = marker->objectName();
            const QRect box = DeviceInside(place, dpr);
            const QColor back = marker->palette().color(QPalette::Window);
            const Ink ink = InkIn(image, box, back);
            QVERIFY2(ink.bounds.isValid(), qPrintable(what + QStringLiteral(": no text")));
            QVERIFY2(ink.contrast >= 4.5, qPrintable(QStringLiteral("%1: contrast %2").arg(what).arg(ink.contrast)));
            // The glyph grew with its box and lies across its string.
            QVERIFY2(ink.bounds.height() >= 0.4 * box.height(),
                     qPrintable(QStringLiteral("%1: glyph %2 px high in a %3 px box")
                                    .arg(what).arg(ink.bounds.height()).arg(box.height())));
            QVERIFY2(stringY >= ink.bounds.top() - 0.5 && stringY <= ink.bounds.bottom() + 1.5,
                     qPrintable(QStringLiteral("%1: string at %2, glyph %3-%4")
                                    .arg(what).arg(stringY).arg(ink.bounds.top()).arg(ink.bounds.bottom())));
            ++checked;
        }
    }
    QVERIFY(checked >= 10); // C major: 11 markers in view, 4 of them red

    // The fret numbers under the strings stand out from the strip.
    for (int fret = 0; fret <= 5; ++fret) {
        auto* number = named<QLabel>(strip, QStringLiteral("lblFret(%1)").arg(fret));
        const Ink ink = InkIn(image, DeviceInside(RectIn(number, viewport), dpr), strip->palette().color(QPalette::Window));
        QVERIFY2(ink.contrast >= 4.5, qPrintable(QStringLiteral("fret %1: contrast %2").arg(fret).arg(ink.contrast)));
    }
}

void TestAppearance::statusCaptionsStayInTheirPanels()
{
    frmMain* window = openWindow();
    auto* bar = named<QWidget>(window, QStringLiteral("StatBar"));
    QLabel* panels[3] = {};
    for (int i = 0; i < 3; ++i) {
        panels[i] = named<QLabel>(bar, element(QStringLiteral("lblPanel"), i));
        QVERIFY(panels[i]);
    }
    const QPoint lefts[3] = {panels[0]->pos(), panels[1]->pos(), panels[2]->pos()};
    const QString longCaptions[3] = {
        QStringLiteral("Chord:G# minor pentatonic and more besides"),
        QStringLiteral("Chord construction:G# A  A# B  C  C# D  D# E  F  F# G  "),
        QStringLiteral("Electric Bass (Finger) with a much longer name than any"),
    };
    for (int i = 0; i < 3; ++i)
        SetCaption(panels[i], longCaptions[i]);

    for (int i = 0; i < 3; ++i) {
        QCOMPARE(panels[i]->pos(), lefts[i]);
        QCOMPARE(panels[i]->text(), longCaptions[i]);
        QCOMPARE(panels[i]->toolTip(), longCaptions[i]);
        for (int k = 0; k < 3; ++k)
            panels[k]->setVisible(k == i);
        const QImage image = bar->grab().toImage();
        const qreal dpr = image.devicePixelRatio();
        const Ink ink = InkIn(image, image.rect(), Commonest(image));
        const double end = (i < 2 ? panels[i + 1]->x() : bar->width()) * dpr;
        QVERIFY2(ink.bounds.isValid(), qPrintable(panels[i]->objectName()));
        QVERIFY2(ink.bounds.right() < end, qPrintable(QStringLiteral("%1 inks up to %2, the next begins at %3")
                                                          .arg(panels[i]->objectName()).arg(ink.bounds.right()).arg(end)));
        QVERIFY(ink.contrast >= 4.5);
    }
}

void TestAppearance::diagramTopRowClearOfTheNut()
{
    frmMain* window = openWindow();
    auto* frame = named<QWidget>(window, QStringLiteral("fraChordDiagram"));
    auto* nut = named<QWidget>(frame, QStringLiteral("linStrum(7)"));
    QVERIFY(frame && nut);
    // O and X over every string, the grid's lines out of the way.
    QRect cells;
    for (int string = 1; string <= 6; ++string) {
        auto* cell = named<QLabel>(frame, QStringLiteral("lblDiaStr%1(0)").arg(string));
        SetCaption(cell, string % 2 ? QStringLiteral("X") : QStringLiteral("O"));
        cells |= cell->geometry();
    }
    for (LineShape* line : frame->findChildren<LineShape*>())
        line->hide();

    const QImage image = frame->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    const QRect area = DeviceInside(QRect(cells.left(), cells.top(), cells.width(), frame->height() - cells.top()), dpr);
    const Ink ink = InkIn(image, area, Commonest(image));
    QVERIFY(ink.bounds.isValid());
    QVERIFY(ink.contrast >= 4.5);
    const double nutTop = nut->y() * dpr;
    QVERIFY2(ink.bounds.bottom() < nutTop,
             qPrintable(QStringLiteral("marks down to %1, nut at %2").arg(ink.bounds.bottom()).arg(nutTop)));
}

void TestAppearance::boldTextLooksBold_data()
{
    QTest::addColumn<bool>("about");
    QTest::addColumn<QString>("name");
    QTest::newRow("string number") << false << "lblString(0)";
    QTest::newRow("About title") << true << "Label3";
    QTest::newRow("version") << true << "lblVersion";
    QTest::newRow("Register") << true << "cmdRegister";
}

void TestAppearance::boldTextLooksBold()
{
    QFETCH(bool, about);
    QFETCH(QString, name);
    m_recorder = std::make_unique<RecordingPresenter>();
    std::unique_ptr<QWidget> window;
    if (about) {
        auto box = std::make_unique<frmAbout>();
        box->Form_Load();
        window = std::move(box);
    } else {
        window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), nullptr});
    }
    auto* widget = named<QWidget>(window.get(), name);
    QVERIFY(widget);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget))
        text = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        text = button->text().remove(QLatin1Char('&'));
    QVERIFY(!text.isEmpty());

    // The widget's bold against the same size without bold, as drawn here.
    const qreal dpr = qApp->devicePixelRatio();
    QFont regular = widget->font();
    QVERIFY(regular.bold());
    regular.setBold(false);
    const double bold = StrokeWidth(widget->font(), text, dpr);
    const double plain = StrokeWidth(regular, text, dpr);
    qInfo("%s: strokes %.2f px bold, %.2f px regular (%.2fx) at %.2fx", qPrintable(name), bold, plain, bold / plain,
          dpr);
    QVERIFY2(bold >= 1.3 * plain, qPrintable(QStringLiteral("%1 bold / %2 regular").arg(bold).arg(plain)));
}

void TestAppearance::captionSizesAsQLabelMeasuresThem_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QString>("caption");
    const std::pair<const char*, QFont> fonts[] = {
        {"window", WindowFont()}, {"Tahoma", TahomaFont(8.25)}, {"bold", TahomaFont(12, true)}, {"cells", TerminalFont()}};
    for (const auto& [name, font] : fonts) {
        for (const char* caption : {"", " ", "C#", "Fret 12", "Strum Speed", "G# minor pentatonic"})
            QTest::addRow("%s \"%s\"", name, caption) << font << QString::fromLatin1(caption);
    }
}

// Labels that fit their caption measure it once themselves, not through
// QLabel: the size must stay what QLabel's own size hint gives the label.
void TestAppearance::captionSizesAsQLabelMeasuresThem()
{
    QFETCH(QFont, font);
    QFETCH(QString, caption);
    QWidget parent;
    QLabel* label = MakeLabel(&parent, QStringLiteral("probe"), caption, 0, 0, 15, 15, font, Fit::Caption);
    QCOMPARE(label->size(), label->sizeHint());
    SetCaption(label, caption + QStringLiteral("m"));
    QCOMPARE(label->size(), label->sizeHint());
}

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
