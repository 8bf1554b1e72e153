#include "SlabPipeline.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Notes the end of the thread that made it, when that thread's objects go.
struct ThreadEnd
{
    std::atomic<bool> *ended = nullptr;
    ~ThreadEnd()
    {
        if (ended)
            *ended = true;
    }
};

} // namespace

// The hand-over of slabs between the worker that encodes them and the thread that uploads
// them: every slab once, in order, never overwritten while it is consumed, and a stop at any
// slab ends both threads.
class TestSlabPipeline : public QObject
{
    Q_OBJECT

private slots:
    void handsOverEverySlabInOrder_data()
    {
        QTest::addColumn<int>("failAt");
        QTest::addColumn<bool>("complete");
        QTest::newRow("all") << -1 << true;
        QTest::newRow("first fails") << 0 << false;
        QTest::newRow("third fails") << 2 << false;
    }
    void handsOverEverySlabInOrder()
    {
        QFETCH(int, failAt);
        QFETCH(bool, complete);
        // 1024 x 1024 slices: one slice per slab, 7 slabs.
        const SampleGrid grid{1024, 1024, 7};
        SlabPipeline pipeline(grid);
        QVERIFY(pipeline.isAllocated());
        QCOMPARE(pipeline.slabSlices(), 1);
        const std::size_t slabValues = std::size_t(4 * grid.sliceSize());
        pipeline.start([&](int firstZ, int, uint16_t *voxels) {
            if (firstZ == failAt)
                return false;
            std::fill(voxels, voxels + slabValues, uint16_t(firstZ + 1));
            return true;
        });
        std::vector<int> consumed;
        bool intact = true;
        const bool finished = pipeline.finish([&](int firstZ, int endZ, const uint16_t *voxels) {
            consumed.push_back(firstZ);
            QThread::usleep(200);
            intact = intact && endZ == firstZ + 1 && voxels[0] == firstZ + 1 && voxels[slabValues - 1] == firstZ + 1;
        });
        QCOMPARE(finished, complete);
        QVERIFY(intact);
        std::vector<int> expected;
        for (int z = 0; z < (complete ? 7 : failAt); ++z)
            expected.push_back(z);
        QCOMPARE(consumed, expected);
    }

    // The worker fills both buffers and waits for a consumer that never comes. Cancel must
    // wake it and end it before returning, and no slab may be made after it. (Should cancel
    // hang, the wait below fails and the test ends with the canceller still running.)
    void cancelEndsTheWorker()
    {
        SlabPipeline pipeline(SampleGrid{1024, 1024, 9});
        std::atomic<int> produced{0};
        std::atomic<bool> workerEnded{false};
        pipeline.start([&](int, int, uint16_t *) {
            thread_local ThreadEnd end;
            end.ended = &workerEnded;
            ++produced;
            return true;
        });
        QTRY_COMPARE(produced.load(), 2);

        std::atomic<bool> cancelled{false};
        std::thread canceller([&] {
            pipeline.cancel();
            cancelled = true;
        });
        QTRY_VERIFY(cancelled.load());
        canceller.join();
        QVERIFY(workerEnded.load());
        QCOMPARE(produced.load(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSlabPipeline)
#include "tst_SlabPipeline.moc"
