#pragma once

#include "DicomHeader.h"

#include <QString>
#include <QStringList>

#include <vector>

class ImportProgress;

// What a scan found: the header of every DICOM image, in the order of the paths scanned, and
// how much it passed over, for the note.
struct DicomScanResult
{
    std::vector<DicomHeader> headers;
    int filesSeen = 0;
    // Files that are not DICOM images or are damaged before their pixel data.
    int passedOver = 0;
    int unreadableFiles = 0;
    int unreadableFolders = 0;
};

// The header scan of a folder (with its subfolders) or a list of files: one header read per
// file (DicomHeaderReader), spread over every core. A folder reached twice through links,
// a link to a folder above it among them, is scanned once. Reports 0 to `share` through
// `progress` (the reading of the pixels takes the rest) and stops between files when asked
// (ImportCancelled, naming `where`).
namespace DicomScan {

// Every file below `folder`, sorted; the folders it may not read are counted.
QStringList filesBelow(const QString &folder, int *unreadableFolders);

DicomScanResult scanFiles(const QString &where, const QStringList &paths, const ImportProgress &progress, double share);

DicomScanResult scanFolder(const QString &folder, const ImportProgress &progress, double share);

// "passed over 3 of 40 files that are not DICOM images or are damaged; 1 folder could not
// be read"; empty when nothing was passed over.
QString passedOverNote(const DicomScanResult &scan);

} // namespace DicomScan
