#pragma once

#include "PatientAxes.h"
#include "SliceSource.h"

#include <QPoint>
#include <QRectF>
#include <QSize>

#include <array>
#include <optional>

// How a reading view lays the grid on the screen, by the radiological convention: the axial
// view is seen from the feet (front up, the patient's right on the screen's left), the
// coronal view from the front (head up, right on the left), the sagittal view from the
// patient's left (head up, front on the left). The plane's columns and rows are screen
// cells, left to right and top to bottom; each runs along one voxel axis, forwards or
// backwards. Pure arithmetic, so that the convention can be checked without a widget.

enum class SliceOrientation { Axial, Coronal, Sagittal };

struct SlicePlane
{
    SliceOrientation orientation = SliceOrientation::Axial;
    int columnAxis = 0;
    // The voxel index falls from the left edge to the right one.
    bool columnsReversed = false;
    int rowAxis = 1;
    bool rowsReversed = false;
    int sliceAxis = 2;
    // The voxel step along sliceAxis that moves towards the head (axial), the front
    // (coronal) or the patient's left (sagittal): where Page Up and the wheel go.
    int stepUp = 1;
    // The letters of the left, right, top and bottom edges; '\0' where the grid's
    // orientation is unknown.
    std::array<char, 4> edgeLetters{0, 0, 0, 0};
};

SlicePlane slicePlaneFor(SliceOrientation orientation, const AxisOrder &order, bool withLetters);
// The plane of a source: its frame's nearest order, letters where the frame is known.
SlicePlane slicePlaneFor(SliceOrientation orientation, const SliceSource &source);

// The view whose slices are stacked along a voxel axis.
SliceOrientation orientationAlong(int voxelAxis, const AxisOrder &order);

// Columns and rows of the plane for a grid of this size.
QSize planeCells(const SlicePlane &plane, const std::array<int, 3> &size);
// The plane's width and height in millimetres, so that it can be shown with square ones.
QSizeF planeExtent(const SlicePlane &plane, const SliceSource &source);
// The largest rectangle of extent's proportions that fits into area, centred in it.
QRectF fittedRect(const QSizeF &extent, const QRectF &area);

// The voxel in the middle of the grid, counted along the patient axes, so that the same
// anatomy stored in another order has the same voxel in the middle.
std::array<int, 3> middleVoxel(const AxisOrder &order, const std::array<int, 3> &size);

// The cell under a point of a plane drawn into rect; none outside it.
std::optional<QPoint> cellAt(const QPointF &point, const QRectF &rect, const QSize &cells);
// The voxel of a cell in the given slice, and the cell a voxel falls on.
std::array<int, 3> voxelOfCell(const SlicePlane &plane, const QPoint &cell, int slice, const std::array<int, 3> &size);
QPoint cellOfVoxel(const SlicePlane &plane, const std::array<int, 3> &voxel, const std::array<int, 3> &size);
