// A chord change end to end: a new key or chord type chosen in its list,
// the selection handler, the neck's update and a repaint of the whole
// window, on the offscreen platform. Keys and types alternate so every
// change really changes the map.

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "errors/MessagePresenter.h"
#include "theory/ChordTables.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lyrovan::LoadBundledFonts();
    lyrovan::bench::SilentPresenter silent;
    QTemporaryDir folder;

    lyrovan::frmMain window(lyrovan::MainWindowParts{folder.path(), nullptr});
    window.Form_Load();
    auto* keys = window.findChild<QComboBox*>(QStringLiteral("cboKey"));
    auto* types = window.findChild<QComboBox*>(QStringLiteral("cboChord"));
    if (!keys || !types) {
        std::fprintf(stderr, "the window has no key or chord type list\n");
        return 1;
    }

    const int warmUp = 100;
    const int iterations = 2000;
    std::vector<double> samples;
    samples.reserve(iterations);
    QElapsedTimer clock;
    for (int i = 0; i < warmUp + iterations; ++i) {
        clock.start();
        if (i % 2 == 0)
            keys->setCurrentIndex((keys->currentIndex() + 5) % lyrovan::KeyCount);
        else
            types->setCurrentIndex((types->currentIndex() + 7) % lyrovan::ChordTypeCount);
        window.repaint();
        const double us = double(clock.nsecsElapsed()) / 1000.0;
        if (i >= warmUp)
            samples.push_back(us);
    }

    using lyrovan::bench::Median;
    using lyrovan::bench::Quantile;
    std::printf("chord change to repainted window, %d changes (offscreen)\n", iterations);
    std::printf("  median %8.1f us  p99 %8.1f us\n", Median(samples), Quantile(samples, 0.99));
    return 0;
}
