// Fuzz target of the exam scan: every input becomes one file in a private folder, beside a
// subfolder, and the folder is scanned as "load DICOM Folder" scans it: the element walk,
// GDCM's header read up to the pixel data, and the series rules over what was found.
//
// Besides the sanitizers' checks: the file is found as an image or counted as passed over,
// never both and never lost, and every entry of the list has at least one image.

#include "DicomScan.h"
#include "DicomSeriesRules.h"
#include "ImportProgress.h"

#include <QDir>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string folder;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_dicomscan: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char made[] = "/tmp/fuzz_dicomscan-XXXXXX";
    check(mkdtemp(made) != nullptr, "cannot make a folder for the input");
    folder = made;
    check(QDir(QString::fromStdString(folder)).mkdir(QStringLiteral("empty")), "cannot make the subfolder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = folder + "/IM0001";
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    check(file >= 0, "cannot create the input file");
    check(write(file, data, size) == ssize_t(size), "cannot write the input file");
    close(file);

    const ImportProgress progress;
    const DicomScanResult scan = DicomScan::scanFolder(QString::fromStdString(folder), progress, 1.0);
    check(scan.filesSeen == 1, "the scan did not see the one file");
    check(int(scan.headers.size()) + scan.passedOver + scan.unreadableFiles == 1, "the file was lost or counted twice");
    const std::vector<DicomSeriesRules::Stack> stacks = DicomSeriesRules::stacksOf(scan.headers);
    const std::vector<ExamSeries> exam = DicomSeriesRules::describeAll(stacks);
    check(exam.size() == stacks.size(), "an entry without its description");
    for (const ExamSeries &series : exam)
        check(series.images > 0, "an entry without images");
    return 0;
}
