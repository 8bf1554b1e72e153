#pragma once

#include <QFileDialog>

// The "load Volume" dialog. Its first filter, "Volumes", shows what the viewer opens: the
// formats' suffixes, and DICOM files named without an extension, as most scanners and
// archives name them (IM000001, or a UID whose last part is a number). Name filters cannot
// say "without an extension", so that filter lets every name through to a proxy model that
// picks; a proxy works in the toolkit's own dialog only, which is therefore the one used.
class VolumeFileDialog : public QFileDialog
{
public:
    VolumeFileDialog(QWidget *parent, const QString &folder);

    // Runs the dialog; the chosen path, or an empty one when the user cancelled.
    QString askForVolume();
};
