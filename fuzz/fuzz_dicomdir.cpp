// Fuzz target of the DICOMDIR reader: every input becomes a DICOMDIR in a private folder
// that holds one image file ("IMAGES/IM1") and a folder beside it, and the files it names
// are looked up as opening it would, case-insensitively, component by component.
//
// Besides the sanitizers' checks: every file found lies inside the folder (a name with ".."
// must not lead out), each is found once, and the note counts what is missing.

#include "DicomDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
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
    std::fprintf(stderr, "fuzz_dicomdir: %s\n", what);
    std::abort();
}

void writeFile(const std::string &path, const uint8_t *data, size_t size)
{
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    check(file >= 0, "cannot create a file");
    check(write(file, data, size) == ssize_t(size), "cannot write a file");
    close(file);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char made[] = "/tmp/fuzz_dicomdir-XXXXXX";
    check(mkdtemp(made) != nullptr, "cannot make a folder for the input");
    folder = made;
    check(QDir(QString::fromStdString(folder)).mkpath(QStringLiteral("IMAGES")), "cannot make the image folder");
    writeFile(folder + "/IMAGES/IM1", reinterpret_cast<const uint8_t *>("image"), 5);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = QString::fromStdString(folder + "/DICOMDIR");
    writeFile(folder + "/DICOMDIR", data, size);
    const DicomDirectory::Referenced referenced = DicomDirectory::referencedFiles(path);
    const QString inside = QFileInfo(QString::fromStdString(folder)).canonicalFilePath() + QLatin1Char('/');
    for (const QString &file : referenced.files)
        check(QFileInfo(file).canonicalFilePath().startsWith(inside), "a file found outside the DICOMDIR's folder");
    check(referenced.files.size() == QSet<QString>(referenced.files.begin(), referenced.files.end()).size(), "a file found twice");
    const QString note = DicomDirectory::missingNote(path, referenced);
    check(note.isEmpty() == referenced.missing.isEmpty(), "the note does not match what is missing");
    return 0;
}
