#include "GLWidget.h"
#include "Window.h"

#include <QGroupBox>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
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
        QVERIFY(window->glWidget->isVisible());
        QVERIFY(window->fileName.isEmpty());
    }

    void slicesBoxStartsUncheckedWithDisabledSliders()
    {
        QVERIFY(slicesBox->isCheckable());
        QVERIFY(!slicesBox->isChecked());
        for (QSlider *slider : sliders()) {
            QVERIFY(!slider->isEnabled());
            QCOMPARE(slider->value(), 0);
        }
        QCOMPARE(window->glWidget->renderMode, 0);
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
        slicesBox->setChecked(true);
        QCOMPARE(window->glWidget->renderMode, 1);
        for (QSlider *slider : sliders())
            QVERIFY(slider->isEnabled());
        slicesBox->setChecked(false);
        QCOMPARE(window->glWidget->renderMode, 0);
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
        slider->setValue(2880);
        QCOMPARE(slider->value(), 2880);
        QCOMPARE(moved.count(), 1);
        const float slices[3] = {window->glWidget->sliceX, window->glWidget->sliceY, window->glWidget->sliceZ};
        QCOMPARE(slices[which], 0.5f);
        QCOMPARE(slices[(which + 1) % 3], 0.0f);
        QCOMPARE(window->glWidget->xRotation, 0);
    }

    void arrowAndPageKeysStepTheSlider()
    {
        slicesBox->setChecked(true);
        QSlider *slider = window->lengthSlider;
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Up);
        QCOMPARE(slider->value(), 16);
        QTest::keyClick(slider, Qt::Key_PageUp);
        QCOMPARE(slider->value(), 256);
        QCOMPARE(window->glWidget->sliceX, 256 / 5760.0f);
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
        return {window->lengthSlider, window->widthSlider, window->depthSlider};
    }

    Window *window = nullptr;
    QGroupBox *slicesBox = nullptr;
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
