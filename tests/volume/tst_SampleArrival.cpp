#include "SampleArrival.h"

#include <QTest>

#include <atomic>

// The arrival of the samples ahead of the gradient pass: the chunks in order of z, a wait that
// returns once the slices asked for are there, and a failure that wakes every wait beyond it.
class TestSampleArrival : public QObject
{
    Q_OBJECT

private slots:
    void waitsForTheSlicesAskedFor_data()
    {
        QTest::addColumn<int>("failAtChunk");
        QTest::addColumn<int>("waitFor");
        QTest::addColumn<bool>("arrived");
        QTest::newRow("all arrive") << -1 << 10 << true;
        QTest::newRow("beyond the last slice") << -1 << 11 << true;
        QTest::newRow("before a failed chunk") << 2 << 6 << true;
        QTest::newRow("inside a failed chunk") << 2 << 7 << false;
        QTest::newRow("first chunk fails") << 0 << 1 << false;
    }
    void waitsForTheSlicesAskedFor()
    {
        QFETCH(int, failAtChunk);
        QFETCH(int, waitFor);
        QFETCH(bool, arrived);
        // Ten slices in chunks of three: 0-2, 3-5, 6-8, 9.
        int chunks = 0;
        std::atomic<int> arrivedZ{0};
        bool inOrder = true;
        {
            SampleArrival arrival(10, 3, [&](int firstZ, int endZ) {
                inOrder = inOrder && firstZ == arrivedZ && endZ == std::min(firstZ + 3, 10);
                if (chunks++ == failAtChunk)
                    return false;
                arrivedZ = endZ;
                return true;
            });
            QCOMPARE(arrival.waitFor(waitFor), arrived);
            if (arrived)
                QVERIFY(arrivedZ >= std::min(waitFor, 10));
        }
        // The arrival has stopped: nothing after a failed chunk.
        QVERIFY(inOrder);
        QVERIFY(failAtChunk < 0 || chunks == failAtChunk + 1);
    }
};

QTEST_APPLESS_MAIN(TestSampleArrival)
#include "tst_SampleArrival.moc"
