#include "DatVolumeFiles.h"
#include "GLAvailability.h"
#include "GLWidget.h"
#include "OrientedGrid.h"
#include "PatientBox.h"
#include "ScratchWorkingDirectory.h"
#include "Volume.h"
#include "VolumeDescription.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(StorageOrder)

namespace {

constexpr std::array<int, 3> anatomySize{12, 10, 16};
constexpr int pictureSide = 64;

// A bar along the head-feet axis at the patient's right front, in the upper half towards the
// head, nothing elsewhere: where it lies tells the side that faces the viewer, and whether it
// stands upright tells the axis the view turned about.
uint16_t anatomySample(int l, int p, int s)
{
    return l >= 1 && l < 4 && p >= 1 && p < 4 && s >= 8 && s < 15 ? 3000 : 0;
}

// Where the bright pixels lie and how they stand.
struct Bright
{
    QPointF centre;
    QSize extent;
};

Bright brightPart(const QImage &picture)
{
    QPointF sum;
    int count = 0;
    QRect box;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) > 60) {
                sum += QPointF(x, y);
                ++count;
                box |= QRect(x, y, 1, 1);
            }
    return {count ? sum / count : QPointF(-1, -1), box.size()};
}

// -1 for the left or upper half of the picture, +1 for the right or lower one.
int half(double coordinate)
{
    return coordinate < pictureSide / 2.0 ? -1 : 1;
}

const std::vector<std::pair<const char *, StorageOrder>> &storageOrders()
{
    static const std::vector<std::pair<const char *, StorageOrder>> orders{
        {"usual", StorageOrder{{0, 1, 2}, {1, 1, 1}}},
        {"mirrored left-right", StorageOrder{{0, 1, 2}, {-1, 1, 1}}},
        {"slices reversed", StorageOrder{{0, 1, 2}, {1, 1, -1}}},
        {"coronal acquisition", StorageOrder{{0, 2, 1}, {1, -1, 1}}},
        {"sagittal acquisition", StorageOrder{{1, 2, 0}, {1, -1, -1}}},
        {"everything reversed", StorageOrder{{2, 0, 1}, {-1, -1, -1}}},
    };
    return orders;
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

    // An oriented volume, however stored, starts as a person facing the viewer: the bar
    // stands upright at the top left (the patient's right, towards the head). A quarter
    // turn about z, a horizontal drag's, turns the patient about the head-feet axis: the
    // face goes to the right and the bar still stands. A quarter tip about x, a vertical
    // drag's, brings the front down and the head towards the viewer, who sees the bar end
    // on. A volume without orientation keeps the grid's own view, its z axis towards the
    // viewer, and turns about it in the screen's plane.
    void turnsAsThePatientStands_data()
    {
        QTest::addColumn<StorageOrder>("order");
        QTest::addColumn<bool>("oriented");
        QTest::addColumn<int>("xTurn");
        QTest::addColumn<int>("zTurn");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("upright");
        for (const auto &[name, order] : storageOrders()) {
            const QByteArray row(name);
            QTest::newRow(row + ", start") << order << true << 0 << 0 << -1 << -1 << true;
            QTest::newRow(row + ", turned a quarter") << order << true << 0 << 90 << 1 << -1 << true;
            QTest::newRow(row + ", tipped a quarter") << order << true << -90 << 0 << -1 << 1 << false;
        }
        const StorageOrder usual;
        QTest::newRow("no orientation, start") << usual << false << 0 << 0 << -1 << -1 << false;
        QTest::newRow("no orientation, turned a quarter") << usual << false << 0 << 90 << 1 << -1 << false;
        QTest::newRow("no orientation, tipped a quarter") << usual << false << -90 << 0 << -1 << 1 << true;
    }
    void turnsAsThePatientStands()
    {
        QFETCH(StorageOrder, order);
        QFETCH(bool, oriented);
        QFETCH(int, xTurn);
        QFETCH(int, zTurn);
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
        OrientedGrid grid = storeAnatomy(anatomySample, anatomySize, {1, 1, 1}, order);
        grid.frame.known = oriented;
        view.makeCurrent();
        view.setVolume(new Volume(describedVolume(grid)));
        view.doneCurrent();
        view.setColors();
        view.setXRotation(xTurn * 16);
        view.setZRotation(zTurn * 16);

        const Bright bright = brightPart(view.renderPicture(QSize(pictureSide, pictureSide)));
        const QString seen = QString("centre %1, %2, extent %3 x %4")
                                 .arg(bright.centre.x())
                                 .arg(bright.centre.y())
                                 .arg(bright.extent.width())
                                 .arg(bright.extent.height());
        QVERIFY2(bright.centre.x() >= 0, qPrintable(seen));
        QFETCH(int, side);
        QFETCH(int, level);
        QFETCH(bool, upright);
        QVERIFY2(half(bright.centre.x()) == side && half(bright.centre.y()) == level, qPrintable(seen));
        const bool tall = bright.extent.height() > 3 * bright.extent.width() / 2;
        QVERIFY2(tall == upright, qPrintable(seen));
    }

    // The marker in the corner shows the patient's axes as the picture above shows them.
    void markerShowsThePatientsAxes_data()
    {
        QTest::addColumn<int>("patientAxis");
        QTest::addColumn<int>("xTurn");
        QTest::addColumn<int>("zTurn");
        // On the screen: x to the right, y down, then towards the viewer.
        QTest::addColumn<QVector<double>>("direction");
        QTest::newRow("start, left") << 0 << 0 << 0 << QVector<double>{1, 0, 0};
        QTest::newRow("start, back") << 1 << 0 << 0 << QVector<double>{0, 0, -1};
        QTest::newRow("start, head") << 2 << 0 << 0 << QVector<double>{0, -1, 0};
        QTest::newRow("turned a quarter, left") << 0 << 0 << 90 << QVector<double>{0, 0, -1};
        QTest::newRow("turned a quarter, back") << 1 << 0 << 90 << QVector<double>{-1, 0, 0};
        QTest::newRow("turned a quarter, head") << 2 << 0 << 90 << QVector<double>{0, -1, 0};
        QTest::newRow("tipped a quarter, back") << 1 << -90 << 0 << QVector<double>{0, -1, 0};
        QTest::newRow("tipped a quarter, head") << 2 << -90 << 0 << QVector<double>{0, 0, 1};
        QTest::newRow("turned, then tipped, left") << 0 << -90 << 90 << QVector<double>{0, -1, 0};
    }
    void markerShowsThePatientsAxes()
    {
        QFETCH(int, patientAxis);
        QFETCH(int, xTurn);
        QFETCH(int, zTurn);
        QFETCH(QVector<double>, direction);
        const QPointF onScreen = screenDirectionOf(patientAxis, xTurn * 16, 0, zTurn * 16);
        const double towards = towardsViewerOf(patientAxis, xTurn * 16, 0, zTurn * 16);
        QVERIFY2(qAbs(onScreen.x() - direction[0]) < 1e-9 && qAbs(onScreen.y() - direction[1]) < 1e-9
                     && qAbs(towards - direction[2]) < 1e-9,
                 qPrintable(QString("%1, %2, %3").arg(onScreen.x()).arg(onScreen.y()).arg(towards)));
    }
};

QTEST_MAIN(TestPatientBox)
#include "tst_patientbox.moc"
