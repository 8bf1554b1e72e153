#include "GLAvailability.h"
#include "WindowProbe.h"

#include <QGroupBox>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!glContextCanBeMade())
            QSKIP("no GL context can be made here");
    }
    void init()
    {
        window = new Window;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        slicesBox = findBox("Slices");
        QVERIFY(slicesBox);
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void showsTitleAndBoxes()
    {
        QCOMPARE(window->windowTitle(), QString("Dichtenschau"));
        QVERIFY(findBox("Menu"));
        QVERIFY(WindowProbe::view(*window)->isVisible());
        QVERIFY(window->stopsFileName().isEmpty());
    }

    void slicesBoxStartsUncheckedWithDisabledSliders()
    {
        QVERIFY(slicesBox->isCheckable());
        QVERIFY(!slicesBox->isChecked());
        for (QSlider *slider : sliders()) {
            QVERIFY(!slider->isEnabled());
            QCOMPARE(slider->value(), 0);
        }
        QCOMPARE(backgroundGrey(), 0);
    }

    void slidersAreBuiltAlike()
    {
        for (QSlider *slider : sliders()) {
            QCOMPARE(slider->parentWidget(), slicesBox);
            QCOMPARE(slider->orientation(), Qt::Vertical);
            QCOMPARE(slider->minimum(), 0);
            QCOMPARE(slider->maximum(), 5760);
            QCOMPARE(slider->singleStep(), 16);
            QCOMPARE(slider->pageStep(), 240);
            QCOMPARE(slider->tickInterval(), 240);
            QCOMPARE(slider->tickPosition(), QSlider::TicksRight);
        }
    }

    void slicesBoxSwitchesRenderModeAndSliders()
    {
        // The slice mode draws on dark grey, ray casting on black.
        slicesBox->setChecked(true);
        QVERIFY(qAbs(backgroundGrey() - 26) <= 1);
        for (QSlider *slider : sliders())
            QVERIFY(slider->isEnabled());
        slicesBox->setChecked(false);
        QCOMPARE(backgroundGrey(), 0);
        for (QSlider *slider : sliders())
            QVERIFY(!slider->isEnabled());
    }

    void slidersPlaceSlicesAndKeepTheirValue_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("length") << 0;
        QTest::newRow("width") << 1;
        QTest::newRow("depth") << 2;
    }
    void slidersPlaceSlicesAndKeepTheirValue()
    {
        QFETCH(int, which);
        slicesBox->setChecked(true);
        QSlider *slider = sliders().at(which);
        QSignalSpy moved(slider, &QSlider::valueChanged);
        const QList<QSignalSpy *> echoes = viewEchoes();
        slider->setValue(2880);
        QCOMPARE(slider->value(), 2880);
        QCOMPARE(moved.count(), 1);
        // The view took the value for its own slice plane only and echoed it back once.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(echoes[i]->count(), i == which ? 1 : 0);
        QCOMPARE(echoes[which]->first().first().toInt(), 2880);
        qDeleteAll(echoes);
    }

    void arrowAndPageKeysStepTheSlider()
    {
        slicesBox->setChecked(true);
        QSlider *slider = sliders().first();
        QSignalSpy echo(WindowProbe::view(*window), &GLWidget::xRotationChanged);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Up);
        QCOMPARE(slider->value(), 16);
        QTest::keyClick(slider, Qt::Key_PageUp);
        QCOMPARE(slider->value(), 256);
        QCOMPARE(echo.last().first().toInt(), 256);
    }

private:
    QGroupBox *findBox(const QString &title) const
    {
        for (QGroupBox *box : window->findChildren<QGroupBox *>())
            if (box->title() == title)
                return box;
        return nullptr;
    }
    QList<QSlider *> sliders() const
    {
        return WindowProbe::sliders(*window);
    }
    // The view's echoes of the length, width and depth values, in this order.
    QList<QSignalSpy *> viewEchoes() const
    {
        GLWidget *view = WindowProbe::view(*window);
        return {new QSignalSpy(view, &GLWidget::xRotationChanged), new QSignalSpy(view, &GLWidget::yRotationChanged),
                new QSignalSpy(view, &GLWidget::zRotationChanged)};
    }
    // The grey of the view's corner, which the mode's clear colour decides.
    int backgroundGrey() const
    {
        return qGray(WindowProbe::view(*window)->grabFramebuffer().pixel(2, 2));
    }

    Window *window = nullptr;
    QGroupBox *slicesBox = nullptr;
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
