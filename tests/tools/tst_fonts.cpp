// The compiled-in outline fonts draw every character as the bitmap fonts
// they stand in for do at 96 dpi: the same advance and the same pixels (the
// Terminal stand-in's cell starts 2 rows lower in the bitmap's taller cell).

#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

QImage Draw(const QFont& font, const QString& text, int baseline, int height)
{
    QImage image(QFontMetrics(font).horizontalAdvance(text) + 4, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(2, baseline, text);
    return image;
}

QFont Font(const QString& family, int pixels)
{
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

} // namespace

class TestFonts : public QObject {
    Q_OBJECT
private slots:
    void standInsMatchTheBitmaps_data();
    void standInsMatchTheBitmaps();
};

void TestFonts::standInsMatchTheBitmaps_data()
{
    QTest::addColumn<QString>("bitmapFile");
    QTest::addColumn<QString>("bitmapFamily");
    QTest::addColumn<QString>("standIn");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("rowsLower"); // where the stand-in's cell starts in the bitmap's
    QTest::newRow("MS Sans Serif") << "ms_sans_serif.ttf" << "MS Sans Serif" << "Lyrovan Sans" << 11 << 0;
    QTest::newRow("Terminal") << "fixedsys.ttf" << "Fixedsys" << "Lyrovan Terminal" << 12 << 2;
}

void TestFonts::standInsMatchTheBitmaps()
{
    QFETCH(QString, bitmapFile);
    QFETCH(QString, bitmapFamily);
    QFETCH(QString, standIn);
    QFETCH(int, pixels);
    QFETCH(int, rowsLower);
    lyrovan::LoadBundledFonts();
    if (QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/") + bitmapFile) < 0)
        QSKIP("fonts-wine is not installed");
    const QFont bitmap = Font(bitmapFamily, pixels);
    const QFont outline = Font(standIn, pixels);
    const QFontMetrics bitmapMetrics(bitmap);
    const QFontMetrics outlineMetrics(outline);
    QCOMPARE(outlineMetrics.ascent() + rowsLower, bitmapMetrics.ascent());
    QCOMPARE(QFontInfo(outline).family(), standIn);

    const int height = outlineMetrics.height() + 4;
    int compared = 0;
    for (char32_t code = 0x21; code <= 0xFF; ++code) {
        if (code > 0x7E && code < 0xA0)
            continue;
        const QString text = QString::fromUcs4(&code, 1);
        QCOMPARE(outlineMetrics.horizontalAdvance(text), bitmapMetrics.horizontalAdvance(text));
        const QImage expected = Draw(bitmap, text, 2 + bitmapMetrics.ascent(), height + rowsLower).copy(
            0, rowsLower, outlineMetrics.horizontalAdvance(text) + 4, height);
        QVERIFY2(Draw(outline, text, 2 + outlineMetrics.ascent(), height) == expected,
                 qPrintable(QStringLiteral("U+%1").arg(unsigned(code), 4, 16, QLatin1Char('0'))));
        ++compared;
    }
    QVERIFY(compared > 150);
}

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
