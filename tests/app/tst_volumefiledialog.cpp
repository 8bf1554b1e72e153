#include "VolumeFileDialog.h"

#include <QAbstractProxyModel>
#include <QComboBox>
#include <QFile>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

// What each filter of the open dialog lists: "Volumes" the formats and DICOM files named
// without an extension, the others what their patterns say.
class TestVolumeFileDialog : public QObject
{
    Q_OBJECT

private:
    static QStringList listed(QFileDialog &dialog, const QString &folder)
    {
        auto *proxy = qobject_cast<QAbstractProxyModel *>(dialog.proxyModel());
        auto *files = qobject_cast<QFileSystemModel *>(proxy->sourceModel());
        const QModelIndex root = proxy->mapFromSource(files->index(folder));
        QStringList names;
        for (int row = 0; row < proxy->rowCount(root); ++row)
            names << proxy->index(row, 0, root).data().toString();
        names.sort();
        return names;
    }

private slots:
    void listsWhatEachFilterShows_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("volumes") << 0 << QStringList{"1.2.840.113619.2.55", "IM000001", "head.nii.gz", "scan.DCM", "sub"};
        QTest::newRow("data files") << 1 << QStringList{"sub"};
        QTest::newRow("all files") << 7 << QStringList{"1.2.840.113619.2.55", "IM000001", "head.nii.gz", "notes.txt", "picture.png",
                                                      "scan.DCM", "sub"};
    }
    void listsWhatEachFilterShows()
    {
        QFETCH(int, filter);
        QFETCH(QStringList, shown);
        QTemporaryDir dir;
        for (const char *name : {"IM000001", "1.2.840.113619.2.55", "head.nii.gz", "scan.DCM", "notes.txt", "picture.png"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        VolumeFileDialog dialog(nullptr, dir.path());
        dialog.show();
        auto *types = dialog.findChild<QComboBox *>("fileTypeCombo");
        QVERIFY(types);
        // As the user picks it: keys on the closed list.
        QTest::keyClick(types, Qt::Key_Home);
        for (int i = 0; i < filter; ++i)
            QTest::keyClick(types, Qt::Key_Down);
        QCOMPARE(types->currentIndex(), filter);
        QTRY_COMPARE(listed(dialog, dir.path()), shown);
    }
};

QTEST_MAIN(TestVolumeFileDialog)
#include "tst_volumefiledialog.moc"
