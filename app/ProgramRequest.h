#pragma once

#include "ProjectionMode.h"
#include "ThickSlab.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// What the command line asks of the program, read once (ProgramArguments) and handed whole to
// the window or to the picture command. Each option fills its own field; a field keeps its
// default where the option is not given.
struct ProgramRequest
{
    enum class Action {
        OpenWindow,   // the window, opening `volumes` first of all, if any
        TakeSnapshot, // the picture command: `output` drawn from the one volume
        ShowUsage,    // --help: the usage on the standard output, status 0
        ShowVersion,  // --version: the version on the standard output, status 0
        Refuse,       // a mistake in the form: `mistake` and the usage on the standard error, status 2
        Decline,      // a value that cannot be taken: `declined`, one line on the standard output, status 1
        ListSeries,   // --list: the series of the exam at `listPath`, one line each, no display needed
    };
    // The views the picture command draws.
    enum class PictureView { ThreeD, Axial, Coronal, Sagittal, Grid };

    Action action = Action::OpenWindow;
    QStringList volumes;
    QString mistake;
    QString declined;

    // --list's exam: a folder, DICOMDIR or DICOM file.
    QString listPath;
    // --series: the Nth series of the volume's exam (from 1), as --list numbers them.
    std::optional<int> series;

    // The picture command's.
    QString output;
    QSize size{800, 800};
    // Degrees about the x and z axes, as a vertical and a horizontal drag turn the view.
    double turnX = 0.0;
    double turnZ = 0.0;
    PictureView view = PictureView::ThreeD;
    // Width and level in the volume's own units; none for the window the 2-D views start with.
    std::optional<std::array<double, 2>> window;
    // Lower and upper fractions along the patient's right-left, front-back and feet-head axes.
    std::array<double, 6> crop{0, 1, 0, 1, 0, 1};
    // The thick slab of the 2-D views; thickness 0 for the plain slice.
    SlabSetting slab;
    // What the 3-D view shows.
    ProjectionMode projection = ProjectionMode::Composite;
};
