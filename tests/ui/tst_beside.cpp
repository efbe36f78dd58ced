// Start-up work on a thread beside the window's: its result and exception
// reach get(), destruction waits for it, and it may use every processor.

#include "ui/Beside.h"

#include <QTest>
#include <atomic>
#include <chrono>
#include <sched.h>
#include <stdexcept>
#include <thread>

using namespace lyrovan;

class TestBeside : public QObject {
    Q_OBJECT
private slots:
    void getGivesWhatTheWorkGave();
    void destroyingWaitsForTheWork();
    void workMayRunOnEveryProcessor();
};

void TestBeside::getGivesWhatTheWorkGave()
{
    Beside<int> answer([] { return 42; });
    QVERIFY(answer.valid());
    QCOMPARE(answer.get(), 42);
    QVERIFY(!answer.valid());

    Beside<void> failing([] { throw std::runtime_error("broken picture"); });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, failing.get());

    // Moved work is taken from the new place; the old one has none.
    Beside<int> first([] { return 1; });
    Beside<int> second;
    second = std::move(first);
    QVERIFY(!first.valid());
    QCOMPARE(second.get(), 1);
}

void TestBeside::destroyingWaitsForTheWork()
{
    std::atomic<bool> done = false;
    {
        Beside<void> slow([&done] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            done = true;
        });
    }
    QVERIFY(done);
}

void TestBeside::workMayRunOnEveryProcessor()
{
    cpu_set_t mine;
    CPU_ZERO(&mine);
    QCOMPARE(sched_getaffinity(0, sizeof mine, &mine), 0);
    Beside<cpu_set_t> theirs([] {
        cpu_set_t set;
        CPU_ZERO(&set);
        sched_getaffinity(0, sizeof set, &set);
        return set;
    });
    const cpu_set_t used = theirs.get();
    QVERIFY(CPU_EQUAL(&used, &mine));
}

QTEST_GUILESS_MAIN(TestBeside)
#include "tst_beside.moc"
