#include "VolumeFileDialog.h"

#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include <algorithm>

namespace {

const QStringList volumePatterns{"*.dat", "*.dcm", "*.ima", "*.nii", "*.nii.gz", "*.hdr", "*.img",
                                 "*.nrrd", "*.nhdr", "*.mha", "*.mhd", "*.inv3"};

// No dot, or a last part of digits only: UIDs are numbers joined by dots.
bool hasNoExtension(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return true;
    const QStringView suffix = QStringView(name).mid(dot + 1);
    return !suffix.isEmpty() && std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isDigit(); });
}

// Narrows the "Volumes" filter, whose name pattern passes every file, to volumes; the other
// filters it leaves to their patterns.
class VolumeNames : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setActive(bool on)
    {
        active = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        const QModelIndex index = files ? files->index(row, 0, parent) : QModelIndex();
        if (!active || !files || files->isDir(index))
            return true;
        const QString name = files->fileName(index);
        return QDir::match(volumePatterns, name) || hasNoExtension(name);
    }

private:
    bool active = true;
};

} // namespace

VolumeFileDialog::VolumeFileDialog(QWidget *parent, const QString &folder)
    : QFileDialog(parent, tr("Load Volume"), folder)
{
    setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    setFileMode(QFileDialog::ExistingFile);
    const QString volumes = tr("Volumes (*)");
    setNameFilters({volumes, tr("Data Files (*.dat)"), tr("DICOM, also files without extension (*.dcm *.ima *)"),
                    tr("NIfTI (*.nii *.nii.gz *.hdr *.img)"), tr("NRRD (*.nrrd *.nhdr)"), tr("MetaImage (*.mha *.mhd)"),
                    tr("InVesalius (*.inv3)"), tr("All Files (*)")});
    auto *names = new VolumeNames(this);
    setProxyModel(names);
    // The signal carries the filter as shown, without its patterns.
    connect(this, &QFileDialog::filterSelected, names, [this, names, volumes] { names->setActive(selectedNameFilter() == volumes); });
}

QString VolumeFileDialog::askForVolume()
{
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty())
        return QString();
    return selectedFiles().first();
}
