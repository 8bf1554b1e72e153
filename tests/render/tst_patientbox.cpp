#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "GLWidget.h"
#include "OrientedGrid.h"
#include "ScratchWorkingDirectory.h"
#include "Volume.h"
#include "VolumeDescription.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(StorageOrder)

namespace {

constexpr std::array<int, 3> anatomySize{12, 10, 8};
constexpr int pictureSide = 64;

// A block at the patient's right front corner at the head, nothing elsewhere.
uint16_t anatomySample(int l, int p, int s)
{
    return l < 3 && p < 3 && s >= 5 ? 3000 : 0;
}

VolumeDescription described(const OrientedGrid &grid)
{
    VolumeDescription description;
    description.sizeX = grid.size[0];
    description.sizeY = grid.size[1];
    description.sizeZ = grid.size[2];
    description.spacing = grid.spacing;
    description.frame = grid.frame;
    description.samples = SampleBuffer(grid.samples);
    return description;
}

// The mean position of the bright pixels.
QPointF brightCentre(const QImage &picture)
{
    QPointF sum;
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) > 60) {
                sum += QPointF(x, y);
                ++count;
            }
    return count ? sum / count : QPointF(-1, -1);
}

} // namespace

class TestPatientBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        REQUIRE_GL_CONTEXT();
    }

    // In the start view the block lies at the top left (the patient's right, the head);
    // tipped by a quarter turn about the screen's x axis, the front comes up.
    void everyStorageOrderStartsAlike_data()
    {
        QTest::addColumn<StorageOrder>("order");
        QTest::newRow("usual") << StorageOrder{{0, 1, 2}, {1, 1, 1}};
        QTest::newRow("mirrored left-right") << StorageOrder{{0, 1, 2}, {-1, 1, 1}};
        QTest::newRow("slices reversed") << StorageOrder{{0, 1, 2}, {1, 1, -1}};
        QTest::newRow("coronal acquisition") << StorageOrder{{0, 2, 1}, {1, -1, 1}};
        QTest::newRow("sagittal acquisition") << StorageOrder{{1, 2, 0}, {1, -1, -1}};
        QTest::newRow("everything reversed") << StorageOrder{{2, 0, 1}, {-1, -1, -1}};
    }
    void everyStorageOrderStartsAlike()
    {
        QFETCH(StorageOrder, order);
        const ScratchWorkingDirectory dir;
        QVERIFY(dir.isReady());
        QVERIFY(writeVolumeFile("lobster.dat", 4, 4, 4, [](int, int, int) { return uint16_t(0); }));
        std::vector<uint32_t> table(4096, 0u);
        std::fill(table.begin() + 2000, table.end(), 0xffffffffu);
        GLWidget view;
        view.setTransferTable(table.data());
        view.resize(pictureSide, pictureSide);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(view.canRender());
        view.makeCurrent();
        view.setVolume(new Volume(described(storeAnatomy(anatomySample, anatomySize, {1, 1, 1}, order))));
        view.doneCurrent();
        view.setColors();

        const QPointF facing = brightCentre(view.renderPicture(QSize(pictureSide, pictureSide)));
        QVERIFY2(facing.x() > 0 && facing.x() < pictureSide / 2 && facing.y() > 0 && facing.y() < pictureSide / 2,
                 qPrintable(QString("%1, %2").arg(facing.x()).arg(facing.y())));
        view.setXRotation(90 * 16);
        const QPointF tipped = brightCentre(view.renderPicture(QSize(pictureSide, pictureSide)));
        QVERIFY2(tipped.x() > 0 && tipped.x() < pictureSide / 2 && tipped.y() > 0 && tipped.y() < pictureSide / 2,
                 qPrintable(QString("%1, %2").arg(tipped.x()).arg(tipped.y())));
    }
};

QTEST_MAIN(TestPatientBox)
#include "tst_patientbox.moc"
