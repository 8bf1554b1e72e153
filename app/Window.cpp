#include "Window.h"

#include "ConsoleLine.h"
#include "GLWidget.h"
#include "GradientEditor.h"
#include "SampleLimits.h"
#include "StopsFile.h"
#include "Volume.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QPixmap>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QTimer>

Window::Window()
    : QWidget(nullptr)
{
    auto *renderBox = new QGroupBox;
    renderBox->setFlat(true);
    glWidget = new GLWidget(renderBox);
    auto *menuBox = new QGroupBox(tr("Menu"), renderBox);

    loadButton = new QPushButton(tr("load Volume"), menuBox);
    connect(loadButton, &QPushButton::clicked, this, &Window::setOpenFileName);

    auto *colorBox = new QGroupBox(tr("Color Editor"));
    fixateColorBox = new QCheckBox(tr("fixate color to alpha"), colorBox);
    gradientEditor = new GradientEditor(colorBox);
    // The view reads the editor's table in place; the editor owns it and rewrites it.
    glWidget->setTransferTable(gradientEditor->transferTable());
    connect(fixateColorBox, &QCheckBox::toggled, gradientEditor, &GradientEditor::moveColorsToAlpha);
    connect(gradientEditor, &GradientEditor::gradientStopsChanged, this, &Window::saveGradientStops);
    connect(this, &Window::colorTextureChanged, glWidget, &GLWidget::setColors);

    // Unchecked before the connection: the view starts in ray casting and need not be told.
    auto *slicesBox = new QGroupBox(tr("Slices"), menuBox);
    slicesBox->setCheckable(true);
    slicesBox->setChecked(false);
    connect(slicesBox, &QGroupBox::toggled, glWidget, &GLWidget::setRenderMode);

    lengthSlider = makeSlider(slicesBox);
    widthSlider = makeSlider(slicesBox);
    depthSlider = makeSlider(slicesBox);

    connect(lengthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setLength);
    connect(glWidget, &GLWidget::xRotationChanged, lengthSlider, &QSlider::setValue);
    connect(widthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setWidth);
    connect(glWidget, &GLWidget::yRotationChanged, widthSlider, &QSlider::setValue);
    connect(depthSlider, &QSlider::valueChanged, glWidget, &GLWidget::setDepth);
    connect(glWidget, &GLWidget::zRotationChanged, depthSlider, &QSlider::setValue);

    auto *mainLayout = new QVBoxLayout;
    mainLayout->addWidget(renderBox, 1);
    mainLayout->addWidget(colorBox, 0);
    setLayout(mainLayout);

    auto *renderLayout = new QHBoxLayout(renderBox);
    renderLayout->addWidget(glWidget, 1);
    renderLayout->addSpacing(16);
    renderLayout->addWidget(menuBox, 0);

    auto *menuLayout = new QVBoxLayout(menuBox);
    menuLayout->addWidget(loadButton, 0);
    menuLayout->addSpacing(8);
    menuLayout->addWidget(slicesBox, 1);

    auto *colorLayout = new QVBoxLayout(colorBox);
    colorLayout->addWidget(fixateColorBox, 0);
    colorLayout->addWidget(gradientEditor, 0);

    auto *slicesLayout = new QHBoxLayout(slicesBox);
    slicesLayout->addWidget(lengthSlider);
    slicesLayout->addWidget(widthSlider);
    slicesLayout->addWidget(depthSlider);

    lengthSlider->setValue(0);
    widthSlider->setValue(0);
    depthSlider->setValue(0);

    setWindowTitle(tr("Dichtenschau"));

    // From the running event loop, once the window and its editor have their sizes.
    QTimer::singleShot(50, this, &Window::setDefaultGradientStops);
}

QSlider *Window::makeSlider(QGroupBox *slicesBox)
{
    auto *slider = new QSlider(Qt::Vertical, slicesBox);
    slider->setRange(0, 5760);
    slider->setSingleStep(16);
    slider->setPageStep(240);
    slider->setTickInterval(240);
    slider->setTickPosition(QSlider::TicksRight);
    return slider;
}

QString Window::stopsFileName() const
{
    return fileName.isEmpty() ? QString() : fileName + ".stops";
}

// Until a file has been opened the table spans the whole 12-bit range; afterwards the
// narrowed range of the opened volume.
void Window::rebuildTransferTable()
{
    const Volume *volume = glWidget->volume();
    if (!fileName.isEmpty() && volume)
        gradientEditor->buildTransferTable(volume->densityMin, volume->densityMax);
    else
        gradientEditor->buildTransferTable(0, maxSample);
    emit colorTextureChanged();
}

void Window::saveGradientStops(const QGradientStops &stops)
{
    if (!fileName.isEmpty() && !installingStops) {
        const QString failure = StopsFile::write(stopsFileName(), stops);
        if (!failure.isEmpty() && !saveFailing)
            printConsole(QString("Can't save the transfer function to %1: %2\n")
                             .arg(stopsFileName(), failure)
                             .toLocal8Bit()
                             .toStdString());
        saveFailing = !failure.isEmpty();
    }
    rebuildTransferTable();
}

void Window::setDefaultGradientStops()
{
    const QScopedValueRollback<bool> installing(installingStops, true);
    QGradientStops stops;
    if (fileName.isEmpty() || StopsFile::read(stopsFileName(), stops) == StopsFile::ReadResult::Missing) {
        stops << QGradientStop(0.0, QColor::fromRgba(0x00000000u)) << QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFFu))
              << QGradientStop(1.0, QColor::fromRgba(0x00000000u));
    }
    // An empty stops file leaves the editor's curves as they are and announces nothing, yet
    // a newly opened volume still needs the table over its own range.
    if (stops.isEmpty())
        rebuildTransferTable();
    else
        gradientEditor->setGradientStops(stops);
    fixateColorBox->setChecked(true);
}

void Window::setOpenFileName()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Load Volume"), QString(),
                                                      tr("Data Files (*.dat);;All Files (*)"));
    if (path.isEmpty())
        return;
    openVolume(path);
}

// A file the loader refuses changes nothing: the previous volume stays on screen with its
// title, histogram and stops, and the loader's line on the console says why.
void Window::openVolume(const QString &path)
{
    // The new texture must be made, and the replaced one deleted, in the view's context:
    // without it current the deletion does nothing and every open would leave a texture.
    glWidget->makeCurrent();
    auto *opened = new Volume(QFile::encodeName(path).constData());
    if (!opened->isValid()) {
        glWidget->doneCurrent();
        delete opened;
        return;
    }
    glWidget->setVolume(opened);
    glWidget->doneCurrent();

    QString baseName = path;
    baseName.replace(QChar('\\'), QChar('/'));
    baseName.remove(0, baseName.lastIndexOf(QChar('/')) + 1);
    setWindowTitle(tr("Dichtenschau [") + baseName + tr("]"));
    fileName = baseName;

    gradientEditor->setHistogram(new QPixmap(*opened->histogram));
    setDefaultGradientStops();
}
