#pragma once

#include <QString>
#include <QStringList>

// A DICOMDIR: the index of a file set, as a CD or a scanner's export carries it, which
// names each image file by its path relative to the DICOMDIR's folder, in components
// written in capitals. CD file systems and copies made from them do not keep the case, so
// each component is matched without it. Files it names that are not there are listed
// apart, for a note: the ones that are still open.
namespace DicomDirectory {

// Whether the path is a DICOMDIR by its name, as the standard fixes it.
bool isDicomDirectory(const QString &path);

struct Referenced
{
    // Whether the file was read as a DICOMDIR at all.
    bool read = false;
    // The files found, once each, in the order the DICOMDIR names them.
    QStringList files;
    // The names it gives for files that are not there, as it gives them.
    QStringList missing;
};

Referenced referencedFiles(const QString &path);

// "DICOMDIR: 2 of the 10 files it names are missing: IMAGES/IM3, IMAGES/IM4"; empty when
// none is.
QString missingNote(const QString &path, const Referenced &referenced);

} // namespace DicomDirectory
