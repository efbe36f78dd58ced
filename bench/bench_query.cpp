// A key change end to end: setCurrentIndex on cboKey -> selection handler ->
// neck update -> chord query -> first position in the diagram and captions.
// Runs over the generated chord database beside the program when it exists,
// else over a synthetic one of the same size (12 keys x 32 types x 6 rows).

#include "BenchSupport.h"
#include "app/frmMain.h"
#include "errors/MessagePresenter.h"
#include "library/DataSource.h"
#include "theory/ChordTables.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Counts message boxes instead of showing them: a benchmark must not wait.
class CountingPresenter final : public lyrovan::MessagePresenter {
public:
    void show(const QString& text, const QString&, lyrovan::MessageIcon) override
    {
        ++count;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    int count = 0;
};

bool WriteSyntheticDb(const QString& path)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench.writer"));
        db.setDatabaseName(path);
        ok = db.open();
        if (ok) {
            QSqlQuery query(db);
            ok = query.exec(QStringLiteral("CREATE TABLE Chords (Id INTEGER PRIMARY KEY, [Key] TEXT, "
                                           "[Name] INTEGER, [Fret] INTEGER, [Fingering] TEXT)"));
            db.transaction();
            query.prepare(QStringLiteral("INSERT INTO Chords ([Key], [Name], [Fret], [Fingering]) VALUES (?,?,?,?)"));
            for (const lyrovan::KeyEntry& key : lyrovan::Keys) {
                const QString name = QString::fromLatin1(key.noteRow.data(), 2);
                for (int type = 0; type < 32 && ok; ++type) {
                    for (int fret = 0; fret < 6 && ok; ++fret) {
                        query.addBindValue(name);
                        query.addBindValue(type);
                        query.addBindValue((fret * 7 + type) % 12);
                        query.addBindValue(QStringLiteral("X    O 1  2   3  4 T                 ").left(36));
                        ok = query.exec();
                    }
                }
            }
            db.commit();
            query.finish();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench.writer"));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    lyrovan::LoadBundledFonts();
    CountingPresenter presenter;
    lyrovan::setMessagePresenter(&presenter);

    QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    QTemporaryDir temp;
    const bool real = QFile::exists(folder + QStringLiteral("/Chords.mdb"));
    if (!real) {
        folder = temp.path();
        if (!WriteSyntheticDb(folder + QStringLiteral("/Chords.mdb"))) {
            std::fprintf(stderr, "cannot write the synthetic database\n");
            return 1;
        }
    }

    int result = 0;
    {
        lyrovan::frmMain window(lyrovan::MainWindowParts{folder, nullptr});
        window.Form_Load();
        auto* key = window.findChild<QComboBox*>(QStringLiteral("cboKey"));

        const int warmUp = 24;
        const int runs = 1200;
        std::vector<double> micros;
        std::vector<double> rows;
        micros.reserve(runs);
        QElapsedTimer timer;
        for (int i = 0; i < warmUp + runs; ++i) {
            const int next = (key->currentIndex() + 5) % lyrovan::KeyCount; // always another key
            timer.start();
            key->setCurrentIndex(next);
            const qint64 ns = timer.nsecsElapsed();
            if (i >= warmUp) {
                micros.push_back(double(ns) / 1000.0);
                rows.push_back(window.findChild<lyrovan::DataSource*>()->RecordCount());
            }
        }
        using lyrovan::bench::Median;
        using lyrovan::bench::Quantile;
        std::printf("key change with query and diagram update, %d runs (%s database, offscreen)\n", runs,
                    real ? "generated" : "synthetic");
        std::printf("  median %8.1f us   p99 %8.1f us   max %8.1f us   (median %.0f positions per chord)\n",
                    Median(micros), Quantile(micros, 0.99), Quantile(micros, 1.0), Median(rows));
        if (presenter.count > 0) {
            std::fprintf(stderr, "%d error messages during the run\n", presenter.count);
            result = 1;
        }
    }
    lyrovan::setMessagePresenter(nullptr);
    return result;
}
