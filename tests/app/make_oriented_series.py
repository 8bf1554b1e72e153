#!/usr/bin/python3
"""Writes one small CT as a DICOM series into FOLDER, its slices in the plane and order
that the arguments choose, for the tests of the patient's orientation. The anatomy is fixed
in the patient's frame (LPS, millimetres): index (l, p, s) counts from the patient's right,
front and feet, 8 x 6 x 5 voxels of 0.75, 0.5 and 2 mm, voxel (0, 0, 0) at the origin; its
values in Hounsfield units are l + 8 p + 48 s - 1000, except 1500 at (0, 0, 4), the right
front corner at the head. Stored unsigned with rescale intercept -1024.

Usage: make_oriented_series.py FOLDER COLUMN_AXIS COLUMN_DIRECTION ROW_AXIS ROW_DIRECTION
  COLUMN_AXIS, ROW_AXIS   the patient axis (0 right-left, 1 front-back, 2 feet-head) along
                          which the columns (x) and the rows (y) of each image run
  *_DIRECTION             1 where the index grows towards the left, back or head, -1 where
                          it grows the other way
The slices are stacked along the remaining axis, from its low end up.
"""
import sys

from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid

SIZE = (8, 6, 5)
SPACING = (0.75, 0.5, 2.0)


def hu(l, p, s):
    return 1500 if (l, p, s) == (0, 0, 4) else l + 8 * p + 48 * s - 1000


def along(index, axis, direction):
    return index if direction > 0 else SIZE[axis] - 1 - index


def unit(axis, direction):
    v = [0.0, 0.0, 0.0]
    v[axis] = float(direction)
    return v


def position(index):
    return [index[axis] * SPACING[axis] for axis in range(3)]


def write(folder, column_axis, column_direction, row_axis, row_direction):
    slice_axis = 3 - column_axis - row_axis
    series_uid = generate_uid()
    for k in range(SIZE[slice_axis]):
        meta = FileMetaDataset()
        meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.2"
        meta.MediaStorageSOPInstanceUID = generate_uid()
        meta.TransferSyntaxUID = ExplicitVRLittleEndian
        ds = Dataset()
        ds.file_meta = meta
        ds.is_little_endian = True
        ds.is_implicit_VR = False
        ds.SOPClassUID = meta.MediaStorageSOPClassUID
        ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
        ds.Modality = "CT"
        ds.SeriesInstanceUID = series_uid
        ds.StudyInstanceUID = "1.2.3.4"
        ds.InstanceNumber = k + 1
        first = [0, 0, 0]
        first[column_axis] = along(0, column_axis, column_direction)
        first[row_axis] = along(0, row_axis, row_direction)
        first[slice_axis] = k
        ds.ImagePositionPatient = position(first)
        ds.ImageOrientationPatient = unit(column_axis, column_direction) + unit(row_axis, row_direction)
        ds.PixelSpacing = [SPACING[row_axis], SPACING[column_axis]]
        ds.SliceThickness = SPACING[slice_axis]
        ds.Rows = SIZE[row_axis]
        ds.Columns = SIZE[column_axis]
        ds.SamplesPerPixel = 1
        ds.PhotometricInterpretation = "MONOCHROME2"
        ds.BitsAllocated = 16
        ds.BitsStored = 16
        ds.HighBit = 15
        ds.PixelRepresentation = 0
        ds.RescaleIntercept = -1024
        ds.RescaleSlope = 1
        values = []
        for y in range(SIZE[row_axis]):
            for x in range(SIZE[column_axis]):
                index = [0, 0, 0]
                index[column_axis] = along(x, column_axis, column_direction)
                index[row_axis] = along(y, row_axis, row_direction)
                index[slice_axis] = k
                values.append(hu(*index) + 1024)
        ds.PixelData = b"".join(v.to_bytes(2, "little") for v in values)
        ds.save_as("%s/slice%02d.dcm" % (folder, k), write_like_original=False)


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    write(sys.argv[1], *(int(a) for a in sys.argv[2:]))
