// A system without FluidSynth: the program starts without it (it is loaded
// when sound is first needed), and a strum says why there is no sound
// instead of ending the program.

#include "sound/FluidSynthOut.h"
#include "sound/SoundLibraries.h"

#include <QTest>

using namespace lyrovan;

class TestNoSynth : public QObject {
    Q_OBJECT
private slots:
    void missingLibraryIsToldAtTheStrum();
};

void TestNoSynth::missingLibraryIsToldAtTheStrum()
{
    UseSoundLibraryFiles("libfluidsynth-absent.so.3", "libpulse.so.0");
    QStringList told;
    FluidSynthOptions options;
    options.report = [&](const QString& text) { told << text; };
    FluidSynthOut out(options);
    int failedLater = 0;
    out.whenOpenFailsLater([&] { ++failedLater; });
    const QString why = QStringLiteral("The synthesizer cannot be loaded: cannot load libfluidsynth-absent.so.3");

    // A strum while the synthesizer is still being loaded hears of it later;
    // one after that, at once.
    out.prepare();
    QCOMPARE(out.open(-1), FluidSynthOut::Opened);
    out.shortMessage(0x7f3c90); // a note-on, kept until the output opens
    out.close();
    QTRY_COMPARE(failedLater, 1);
    QVERIFY2(out.failureText().startsWith(why), qPrintable(out.failureText()));
    QCOMPARE(out.open(-1), FluidSynthOut::NoSynthesizer);
    QVERIFY2(out.failureText().startsWith(why), qPrintable(out.failureText()));
    QCOMPARE(told.size(), 1); // each failure once
}

QTEST_GUILESS_MAIN(TestNoSynth)
#include "tst_nosynth.moc"
