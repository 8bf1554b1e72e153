#include "CinePlayer.h"
#include "ReadingFixture.h"

#include <QTest>

// Cine on the axial view of the fixture (10 slices), its player a child of the layout so that
// Ctrl+Space reaches it when the layout's window is active.
class TestCine : public QObject
{
    Q_OBJECT

private slots:
    void pagesAndLoops()
    {
        ReadingFixture f;
        auto *player = new CinePlayer(&f.layout, &f.layout);
        player->show();
        QCOMPARE(player->rate(), 10);
        f.state()->setCrossPoint({5, 5, 8});
        std::vector<int> slices;
        connect(f.state(), &ReadingState::crossPointChanged, this, [&] { slices.push_back(f.state()->crossPoint()[2]); });
        f.layout.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.layout));
        QTest::keyClick(&f.layout, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(player->isPlaying());
        QTRY_VERIFY(slices.size() >= 3);
        QCOMPARE(std::vector<int>(slices.begin(), slices.begin() + 3), (std::vector<int>{9, 0, 1}));
        QTest::keyClick(&f.layout, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!player->isPlaying());
    }

    void anyInputStops_data()
    {
        QTest::addColumn<int>("input");
        QTest::newRow("key") << 0;
        QTest::newRow("mouse press") << 1;
        QTest::newRow("wheel") << 2;
    }
    void anyInputStops()
    {
        QFETCH(int, input);
        ReadingFixture f;
        auto *player = new CinePlayer(&f.layout, &f.layout);
        player->setPlaying(true);
        // A modifier alone is the start of a shortcut, not an input.
        QTest::keyPress(f.view(), Qt::Key_Control);
        QVERIFY(player->isPlaying());
        const QPointF middle = f.view()->imageRect().center();
        if (input == 0)
            QTest::keyClick(f.view(), Qt::Key_Home);
        else if (input == 1)
            sendMouse(f.view(), QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
        else
            wheelAt(f.view(), middle, 120);
        QVERIFY(!player->isPlaying());
    }
};

QTEST_MAIN(TestCine)
#include "tst_cine.moc"
