// Fuzz target of the import layer: every input becomes one file of the format this target
// is built for (IMPORT_SUFFIX: .nii, .nrrd, .mha, .dcm or .inv3), alone in a private folder
// so that a DICOM file finds no series beside it, and goes through importVolume as the
// viewer and dat-import call it: ITK's (or libarchive's) reading, the checks before it, the
// survey of the values and their mapping.
//
// Besides the sanitizers' checks, the outcome must be sound: an accepted volume has as many
// samples as its sizes say, each within 0..maxSample, and sizes the viewer accepts; a
// refusal is one line that names the file.

#include "SampleLimits.h"
#include "VolumeImport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string inputPath;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_import: %s\n", what);
    std::abort();
}

void writeInput(const uint8_t *data, size_t size)
{
    const int file = open(inputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    check(file >= 0, "cannot create the input file");
    check(write(file, data, size) == ssize_t(size), "cannot write the input file");
    close(file);
}

void checkAccepted(const ImportResult &result)
{
    check(result.sizeX > 0 && result.sizeY > 0 && result.sizeZ > 0, "an accepted volume has an empty size");
    check(result.sizeX <= 65535 && result.sizeY <= 65535 && result.sizeZ <= 65535, "a size beyond 65535 was accepted");
    check(result.samples.size() == size_t(result.sizeX) * size_t(result.sizeY) * size_t(result.sizeZ),
          "the sample count does not match the sizes");
    for (uint16_t sample : result.samples)
        check(sample <= maxSample, "a sample beyond maxSample");
    for (double spacing : {result.spacing.x, result.spacing.y, result.spacing.z})
        check(spacing > 0.0, "a spacing that is not positive");
}

void checkRefused(const ImportResult &result)
{
    check(result.refusal.rfind(inputPath, 0) == 0, "the refusal does not name the file");
    check(result.refusal.find('\n') == std::string::npos, "the refusal is not one line");
    check(result.samples.empty(), "a refusal with samples");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char folder[] = "/tmp/fuzz_import-XXXXXX";
    check(mkdtemp(folder) != nullptr, "cannot make a folder for the input");
    inputPath = std::string(folder) + "/input" IMPORT_SUFFIX;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    writeInput(data, size);
    const ImportResult result = importVolume(inputPath);
    if (result.ok())
        checkAccepted(result);
    else
        checkRefused(result);
    return 0;
}
