#!/usr/bin/python3
"""Writes a small CT series as DICOM files into FOLDER, one file per slice, for the
importer's tests: 6 slices of 8 x 5 pixels, 0.5 x 0.75 mm, 2.5 mm apart, whose values in
Hounsfield units are hu(x, y, z) = 200 * z + 10 * y + x - 1000. The file names do not
follow the slice order, and the slices are written in a shuffled order.

Usage: make_dicom_series.py CASE FOLDER
  unsigned    samples stored unsigned (pixel representation 0), rescale intercept -1024
  signed      samples stored signed (pixel representation 1), rescale intercept -1000
  cut         "signed", with the pixel data of one file cut short by 10 bytes
  missing     "signed" without its fourth slice
  twoseries   "signed" and, beside it, a second series of 3 slices
  sizes       "signed" with one slice of 6 x 5 pixels
  intruder    "signed" and, beside it, an 8-bit image of another kind that carries the
              series UID of the first (u.dcm)
  maskframes  only a segmentation mask of one bit per pixel, 16 x 16 (m.dcm), whose header
              declares 8000 frames but whose pixel data holds one
  tilted      "signed" in planes turned 30 degrees about the patient's x axis, so that the
              slices are stacked along (0, -0.5, 0.866) from the first one's position
  exam        a scanner's export of two patients under shuffled names in subfolders:
              DOE^JANE (4711), study 20240131 "chest": series 1 "localizer" (2 coronal
              images 2.5 mm apart), 2 "axial 2.5" (the 6 slices), 3 "contrast" (two
              acquisitions over the same 3 places), 4 "photo" (one RGB image of 8 x 5, no
              spacing); ROE^RICHARD (0815), study 20230105 "head": series 1 "axial" (4 slices)
  dicomdir    "exam" as a file set with its DICOMDIR (pydicom's FileSet), whose folders are
              then renamed to lower case, as some copies of CDs have them
"""
import math
import os
import random
import sys

from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid

COLUMNS, ROWS, SLICES = 8, 5, 6


def hu(x, y, z):
    return 200 * z + 10 * y + x - 1000


def slice_file(series_uid, z, signed, columns=COLUMNS, tilt=0.0):
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
    ds.InstanceNumber = z + 1
    c, s = math.cos(tilt), math.sin(tilt)
    normal = [0.0, -s, c]
    ds.ImagePositionPatient = [-10.0 + 2.5 * z * normal[0], 20.0 + 2.5 * z * normal[1], 30.0 + 2.5 * z * normal[2]]
    ds.ImageOrientationPatient = [1, 0, 0, 0, c, s]
    ds.PixelSpacing = [0.75, 0.5]
    ds.SliceThickness = 2.5
    ds.Rows = ROWS
    ds.Columns = columns
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = "MONOCHROME2"
    ds.BitsAllocated = 16
    ds.BitsStored = 16
    ds.HighBit = 15
    ds.PixelRepresentation = 1 if signed else 0
    intercept = -1000 if signed else -1024
    ds.RescaleIntercept = intercept
    ds.RescaleSlope = 1
    values = [hu(x, y, z) - intercept for y in range(ROWS) for x in range(columns)]
    ds.PixelData = b"".join(v.to_bytes(2, "little", signed=signed) for v in values)
    return ds


def write_series(folder, prefix, slices, signed, label, change=None, tilt=0.0):
    series_uid = generate_uid()
    order = list(slices)
    random.Random(7).shuffle(order)
    names = {}
    for rank, z in enumerate(order):
        ds = slice_file(series_uid, z, signed, change(z) if change else COLUMNS, tilt)
        ds.SeriesDescription = label
        # Names sort against the slice order: descending, with the rank mixed in.
        names[z] = "%s/%s%02d_%d.dcm" % (folder, prefix, 90 - 7 * z, rank)
        ds.save_as(names[z], write_like_original=False)
    return names, series_uid


def exam_images():
    """Every image of the exam, with the patient and study fields set."""
    patients = [("DOE^JANE", "4711", "20240131", "chest", generate_uid()),
                ("ROE^RICHARD", "0815", "20230105", "head", generate_uid())]
    images = []

    def add(patient, number, label, slices, orient=None, acquisition=None):
        uid = generate_uid()
        for z in slices:
            ds = slice_file(uid, z, True)
            name, pid, date, study, study_uid = patients[patient]
            ds.PatientName, ds.PatientID, ds.StudyDate = name, pid, date
            ds.StudyDescription, ds.StudyInstanceUID = study, study_uid
            ds.StudyTime, ds.StudyID = "101500", "1"
            ds.SeriesNumber, ds.SeriesDescription = number, label
            if orient:
                orient(ds, z)
            if acquisition:
                ds.AcquisitionNumber = acquisition(z)
            images.append(ds)

    def coronal(ds, z):
        ds.ImageOrientationPatient = [1, 0, 0, 0, 0, -1]
        ds.ImagePositionPatient = [-10.0, 20.0 + 2.5 * z, 30.0]

    def again(ds, z):
        ds.ImagePositionPatient = [-10.0, 20.0, 30.0 + 2.5 * (z % 3)]

    add(0, 1, "localizer", range(2), coronal)
    add(0, 2, "axial 2.5", range(SLICES))
    add(0, 3, "contrast", range(6), again, lambda z: 1 + z // 3)
    add(1, 1, "axial", range(4))
    add(0, 4, "photo", [0])
    photo = images[-1]
    photo.Modality = "OT"
    photo.SamplesPerPixel = 3
    photo.PhotometricInterpretation = "RGB"
    photo.PlanarConfiguration = 0
    photo.BitsAllocated = photo.BitsStored = 8
    photo.HighBit = 7
    photo.PixelRepresentation = 0
    del photo.RescaleIntercept, photo.RescaleSlope, photo.PixelSpacing
    del photo.ImagePositionPatient, photo.ImageOrientationPatient, photo.SliceThickness
    photo.PixelData = bytes(range(COLUMNS * ROWS * 3))
    return images


def write_exam(folder):
    images = exam_images()
    random.Random(11).shuffle(images)
    for rank, ds in enumerate(images):
        sub = "%s/%s" % (folder, "abc"[rank % 3])
        os.makedirs(sub, exist_ok=True)
        ds.save_as("%s/IM%04d" % (sub, 7919 * (rank + 3) % 10000), write_like_original=False)


def write_dicomdir(folder):
    from pydicom.fileset import FileSet
    file_set = FileSet()
    for ds in exam_images():
        file_set.add(ds)
    file_set.write(folder)
    for root, dirs, _ in os.walk(folder, topdown=False):
        for name in dirs:
            os.rename(os.path.join(root, name), os.path.join(root, name.lower()))


def write_intruder(folder, series_uid):
    ds = slice_file(series_uid, 9, False)
    ds.Modality = "OT"
    ds.BitsAllocated = ds.BitsStored = 8
    ds.HighBit = 7
    ds.RescaleIntercept = 0
    ds.PixelData = bytes(range(COLUMNS * ROWS))
    ds.save_as(folder + "/u.dcm", write_like_original=False)


def write_mask(folder, frames):
    ds = slice_file(generate_uid(), 0, False, 16)
    ds.Modality = "SEG"
    ds.Rows = 16
    ds.BitsAllocated = ds.BitsStored = 1
    ds.HighBit = 0
    ds.NumberOfFrames = frames
    del ds.RescaleIntercept, ds.RescaleSlope
    ds.PixelData = bytes([0x0F, 0xF0] * 16)
    ds.save_as(folder + "/m.dcm", write_like_original=False)


def main():
    case, folder = sys.argv[1], sys.argv[2]
    if case == "maskframes":
        write_mask(folder, 8000)
        return
    if case == "exam":
        write_exam(folder)
        return
    if case == "dicomdir":
        write_dicomdir(folder)
        return
    slices = [z for z in range(SLICES) if not (case == "missing" and z == 3)]
    change = (lambda z: 6 if z == 2 else COLUMNS) if case == "sizes" else None
    tilt = math.radians(30) if case == "tilted" else 0.0
    names, series_uid = write_series(folder, "s", slices, case != "unsigned", "body", change, tilt)
    if case == "intruder":
        write_intruder(folder, series_uid)
    if case == "twoseries":
        write_series(folder, "t", range(3), True, "scout")
    if case == "cut":
        with open(names[4], "rb") as f:
            data = f.read()
        with open(names[4], "wb") as f:
            f.write(data[:-10])


main()
