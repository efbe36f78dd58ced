// A chord change end to end: a new key or chord type chosen in its list,
// the selection handler, the neck's update and a repaint of the whole
// window, on the offscreen platform. Keys and types alternate so every
// change really changes the map.
//
// bench_chordchange --tuning NAME does the same in another tuning, where
// each chord's positions are chosen by the voicing rules (the first time,
// then kept), and also times that choice alone, uncached, for every key
// and chord type.

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "errors/MessagePresenter.h"
#include "library/GeneratedPositions.h"
#include "theory/ChordTables.h"
#include "theory/TuningTexts.h"
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

    lyrovan::MainWindowParts parts{folder.path(), nullptr};
    const QStringList args = QCoreApplication::arguments();
    const qsizetype option = args.indexOf(QStringLiteral("--tuning"));
    if (option > 0) {
        QString error;
        const std::optional<lyrovan::TuningRequest> tuning = lyrovan::ParseTuning(args.value(option + 1), &error);
        if (!tuning || !tuning->guitar) {
            std::fprintf(stderr, "bench_chordchange: %s\n", qPrintable(error.isEmpty() ? QStringLiteral("no guitar tuning") : error));
            return 1;
        }
        parts.tuning = *tuning;
    }
    lyrovan::frmMain window(parts);
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
    std::printf("chord change to repainted window, %d changes (offscreen)%s\n", iterations,
                parts.tuning.guitar ? qPrintable(QStringLiteral(", tuning ") + args.value(option + 1)) : "");
    std::printf("  median %8.1f us  p99 %8.1f us\n", Median(samples), Quantile(samples, 0.99));

    if (parts.tuning.guitar) {
        // The choice of positions alone, as a chord's first change makes it.
        std::vector<double> choices;
        for (int key = 0; key < lyrovan::KeyCount; ++key)
            for (int type = 0; type < lyrovan::ChordTypeCount; ++type) {
                clock.start();
                const auto positions = lyrovan::GeneratedPositions(*parts.tuning.guitar, key, type);
                choices.push_back(double(clock.nsecsElapsed()) / 1000.0);
            }
        std::printf("positions chosen, uncached, %zu chords\n", choices.size());
        std::printf("  median %8.1f us  p99 %8.1f us  max %8.1f us\n", Median(choices), Quantile(choices, 0.99),
                    Quantile(choices, 1.0));
    }
    return 0;
}
