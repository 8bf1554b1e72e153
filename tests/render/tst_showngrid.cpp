// The 3-D view draws a volume's own grid: the padding of an odd size and the blocks of a
// coarser texture that reach past the grid's end lie beyond the texture extent.
#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "GLWidget.h"
#include "GridReduction.h"
#include "OrientedGrid.h"
#include "PictureDifference.h"
#include "ScratchWorkingDirectory.h"
#include "ShownGrid.h"
#include "ViewGeometry.h"
#include "Volume.h"
#include "VoxelSpacing.h"

#include <QTest>

#include <algorithm>
#include <cmath>

using Sizes = std::array<int, 3>;
using Extent = std::array<float, 3>;
Q_DECLARE_METATYPE(Sizes)
Q_DECLARE_METATYPE(Extent)
Q_DECLARE_METATYPE(StorageOrder)

namespace {

// An anatomy of odd sizes along every patient axis: a rippled ball off the centre and a bar
// towards the head, both at least two voxels inside the faces, where the padding of an odd
// size takes no part in a gradient.
constexpr std::array<int, 3> anatomySize{15, 13, 11};

uint16_t anatomySample(int l, int p, int s)
{
    const double r = std::hypot(l - 5.5, p - 6.0, s - 4.5) / 3.5;
    if (r < 1.0)
        return uint16_t(1500 + 1500 * (1.0 - r) * (1.0 + 0.3 * std::sin(1.7 * l + 1.1 * p)));
    return l >= 9 && l < 12 && p >= 3 && p < 6 && s >= 4 && s < 9 ? 2500 : 0;
}

} // namespace

class TestShownGrid : public QObject
{
    Q_OBJECT

private slots:
    void coversTheGridAsStated_data()
    {
        QTest::addColumn<Sizes>("stated");
        QTest::addColumn<Sizes>("factors");
        QTest::addColumn<Sizes>("texels");
        QTest::addColumn<Extent>("extent");
        QTest::newRow("even") << Sizes{64, 128, 32} << Sizes{1, 1, 1} << Sizes{64, 128, 32} << Extent{1, 1, 1};
        // An MNI brain of 181 x 217 x 181: x and y padded to even sizes, z kept.
        QTest::newRow("odd x and y") << Sizes{181, 217, 181} << Sizes{1, 1, 1} << Sizes{182, 218, 181}
                                     << Extent{181.0f / 182, 217.0f / 218, 1};
        QTest::newRow("odd x only") << Sizes{5, 4, 3} << Sizes{1, 1, 1} << Sizes{6, 4, 3} << Extent{5.0f / 6, 1, 1};
        // 511 is padded to 512 and halved to 256 texels; 9 slices in blocks of 2 make 5
        // texels, the last of one slice.
        QTest::newRow("padded and reduced") << Sizes{511, 4, 9} << Sizes{2, 1, 2} << Sizes{256, 4, 5}
                                            << Extent{511.0f / 512, 1, 9.0f / 10};
        QTest::newRow("reduced, whole blocks") << Sizes{4100, 2, 2} << Sizes{2, 1, 1} << Sizes{2050, 2, 2}
                                               << Extent{1, 1, 1};
    }
    void coversTheGridAsStated()
    {
        QFETCH(Sizes, stated);
        QFETCH(Sizes, factors);
        QFETCH(Sizes, texels);
        QFETCH(Extent, extent);
        GridReduction texture;
        texture.factors = factors;
        texture.reduced = SampleGrid{texels[0], texels[1], texels[2]};
        const ShownGrid grid = shownGridOf(DatHeader{uint16_t(stated[0]), uint16_t(stated[1]), uint16_t(stated[2])},
                                           texture, VoxelSpacing());
        QCOMPARE(grid.voxels, stated);
        QCOMPARE(grid.texels, texels);
        for (int axis = 0; axis < 3; ++axis)
            QVERIFY2(qAbs(grid.textureExtent[axis] - extent[axis]) < 1e-6f, qPrintable(QString::number(axis)));
    }

    // Stored with an odd axis reversed, the padding of that axis lies on the other side of
    // the anatomy; the view draws the anatomy alike all the same, turned, tipped and in
    // slices.
    void oddGridLooksAlikeInEveryOrder_data()
    {
        QTest::addColumn<StorageOrder>("order");
        QTest::addColumn<int>("xTurn");
        QTest::addColumn<int>("zTurn");
        QTest::addColumn<bool>("slices");
        const std::pair<const char *, StorageOrder> orders[] = {
            {"left-right reversed", StorageOrder{{0, 1, 2}, {-1, 1, 1}}},
            {"front-back reversed", StorageOrder{{0, 1, 2}, {1, -1, 1}}},
            {"both reversed", StorageOrder{{0, 1, 2}, {-1, -1, 1}}},
            {"sagittal acquisition", StorageOrder{{1, 2, 0}, {-1, -1, 1}}},
        };
        for (const auto &[name, order] : orders) {
            const QByteArray row(name);
            QTest::newRow(row + ", start") << order << 0 << 0 << false;
            QTest::newRow(row + ", turned 60, 30") << order << 60 << 30 << false;
            QTest::newRow(row + ", slices") << order << 20 << 40 << true;
        }
    }
    void oddGridLooksAlikeInEveryOrder()
    {
        REQUIRE_GL_CONTEXT();
        QFETCH(StorageOrder, order);
        QFETCH(int, xTurn);
        QFETCH(int, zTurn);
        QFETCH(bool, slices);
        const ScratchWorkingDirectory dir;
        QVERIFY(dir.isReady());
        QVERIFY(writeVolumeFile("lobster.dat", 4, 4, 4, [](int, int, int) { return uint16_t(0); }));
        std::vector<uint32_t> table(4096, 0u);
        for (uint32_t v = 1200; v < 4096; ++v)
            table[v] = 0xFF000000u | (v * 5 % 256) << 16 | (255 - v * 3 % 256) << 8 | v / 16;
        GLWidget view;
        view.setTransferTable(table.data());
        view.resize(96, 96);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(view.canRender());
        view.setColors();
        view.setXRotation(xTurn * 16);
        view.setZRotation(zTurn * 16);
        view.setRenderMode(slices);
        // The planes are placed along the voxel axes: through the middle they pass through
        // the same anatomy however the grid is stored.
        view.setLength(fullTurn / 2);
        view.setWidth(fullTurn / 2);
        view.setDepth(fullTurn / 2);
        const std::array<double, 3> spacing{0.8, 1.0, 1.5};
        const auto pictureOf = [&](const StorageOrder &stored) {
            const OrientedGrid grid = storeAnatomy(anatomySample, anatomySize, spacing, stored);
            view.makeCurrent();
            view.setVolume(new Volume(describedVolume(grid)));
            view.doneCurrent();
            return view.renderPicture(QSize(96, 96));
        };
        const QImage usual = pictureOf(StorageOrder());
        const QImage stored = pictureOf(order);
        QVERIFY(!usual.isNull() && !stored.isNull());
        const int difference = largestChannelDifference(usual, stored);
        QVERIFY2(difference <= 6, qPrintable(QString("pixels differ by up to %1 / 255").arg(difference)));
    }
};

QTEST_MAIN(TestShownGrid)
#include "tst_showngrid.moc"
