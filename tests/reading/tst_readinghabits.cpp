#include "ReadingControls.h"
#include "ReadingFixture.h"
#include "SliceCaption.h"
#include "VoxelReadout.h"

#include <QComboBox>
#include <QTest>

class TestReadingHabits : public QObject
{
    Q_OBJECT

private slots:
    // Page Up and Down go a tenth of the view's slices at a time, at least one.
    void pageKeysMoveATenth_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("page");
        QTest::newRow("axial, 10 slices") << int(ReadingLayout::Axial) << 2 << 1;
        QTest::newRow("coronal, 30 slices") << int(ReadingLayout::Coronal) << 1 << 3;
        QTest::newRow("sagittal, 40 slices") << int(ReadingLayout::Sagittal) << 0 << 4;
    }
    void pageKeysMoveATenth()
    {
        QFETCH(int, mode);
        QFETCH(int, axis);
        QFETCH(int, page);
        ReadingFixture f{ReadingLayout::Mode(mode)};
        SliceView *view = f.view(SliceOrientation(mode - ReadingLayout::Axial));
        QVERIFY(QTest::qWaitForWindowExposed(&f.layout));
        const int start = f.state()->crossPoint()[axis];
        view->setFocus();
        QTest::keyClick(view, Qt::Key_PageDown);
        QCOMPARE(qAbs(f.state()->crossPoint()[axis] - start), page);
        QTest::keyClick(view, Qt::Key_PageUp);
        QTest::keyClick(view, Qt::Key_PageUp);
        QCOMPARE(qAbs(f.state()->crossPoint()[axis] - start), page);
        QTest::keyClick(view, Qt::Key_Up);
        QCOMPARE(qAbs(f.state()->crossPoint()[axis] - start), page + 1);
    }

    // The caption names the slice by the index the readout gives its voxels, and where it
    // lies in mm along its axis.
    void captionCountsAsTheReadout()
    {
        ReadingFixture f;
        SliceSource source = f.source;
        const SlicePlane axial = slicePlaneFor(SliceOrientation::Axial, source);
        QCOMPARE(sliceCaption(source, axial, 7), QString("Axial 7 (0-9)   17.5 mm"));
        QVERIFY(voxelReadout(source, {3, 4, 7}).startsWith("voxel 3, 4, 7   position 1.5, 3.2, 17.5 mm"));
        // Slices stored from the head down: the patient's z falls with the index.
        source.frame.known = true;
        source.frame.axes = {{{1, 0, 0}, {0, 1, 0}, {0, 0, -1}}};
        source.frame.origin = {-10, 20, 100};
        const SlicePlane reversed = slicePlaneFor(SliceOrientation::Axial, source);
        QCOMPARE(sliceCaption(source, reversed, 7), QString("Axial 7 (0-9)   82.5 mm"));
        QCOMPARE(sliceCaption(source, slicePlaneFor(SliceOrientation::Sagittal, source), 0),
                 QString("Sagittal 0 (0-39)   -10.0 mm"));
    }

    void windowInWholeUnits_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("level");
        QTest::addColumn<QString>("caption");
        QTest::newRow("after a drag") << 999.85 << 40.2 << "W 1000 L 40";
        QTest::newRow("negative level") << 1500.0 << -600.49 << "W 1500 L -600";
        QTest::newRow("automatic window of an MRI") << 361.2207 << 180.61 << "W 361 L 181";
    }
    void windowInWholeUnits()
    {
        QFETCH(double, width);
        QFETCH(double, level);
        QTEST(windowCaption({width, level}), "caption");
    }

    // After a drag the window box says "custom"; each window has its shortcut, and "Reset
    // window" goes back to the window the volume was opened with.
    void windowChoicesAndTheirKeys()
    {
        ReadingFixture f;
        ReadingControls controls(&f.layout);
        controls.show();
        controls.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&controls));
        auto *box = controls.findChild<QComboBox *>("windowBox");
        ReadingState *state = f.state();
        QCOMPARE(box->currentText(), QString("soft tissue 400/40"));
        state->setWindow({999.85, 40.2});
        QCOMPARE(box->currentText(), QString("custom"));

        QTest::keyClick(&controls, Qt::Key_2, Qt::AltModifier);
        QCOMPARE(state->window(), (WindowLevel{80, 40}));
        QCOMPARE(box->currentText(), QString("brain 80/40"));
        QTest::keyClick(&controls, Qt::Key_5, Qt::AltModifier);
        QCOMPARE(state->window(), (WindowLevel{2000, 500}));
        QTest::keyClick(&controls, Qt::Key_1, Qt::AltModifier);
        QCOMPARE(state->window(), state->automatic());
        QTest::keyClick(&controls, Qt::Key_0, Qt::AltModifier);
        QCOMPARE(state->window(), (WindowLevel{400, 40}));
    }
};

QTEST_MAIN(TestReadingHabits)
#include "tst_readinghabits.moc"
