#pragma once

#include "ImportOptions.h"
#include "ImportResult.h"

#include <QByteArray>
#include <QStringList>

#include <string>

// One volume to read, as the viewer (or dat-import) asks the reader program for it.
struct ReadRequest
{
    std::string path;
    ImportOptions options;
    // The descriptor, as the reader program inherits it, of the file in memory that takes the
    // volume's values (SampleFile).
    int valuesFile = -1;

    friend bool operator==(const ReadRequest &a, const ReadRequest &b)
    {
        return a.path == b.path && a.options == b.options && a.valuesFile == b.valuesFile;
    }
};

// How the viewer and the reader program talk. The request is the program's arguments: the
// kind of request first, then its fields as one JSON object:
//   dichtenschau-reader read {"path":..., "valuesFile":3, "options":{...}}
// so that another kind of request is another word with an object of its own.
// The answer comes one line at a time on the program's standard output:
//   "progress F"   the fraction done, 0..1, as the import reports it;
//   "result JSON"  once, at the end: the ImportResult, all of it but its values and samples,
//                  as one JSON object on one line. The values lie in the file the request
//                  named, in the type sampleType names; the caller maps them to samples.
// Any other line is no part of the answer. Every field of the request and of ImportResult
// travels; a field added to them is added here as well.
namespace ReaderProtocol {

QStringList requestArguments(const ReadRequest &request);
// The request from the arguments after the program's name; false where they are no read
// request or damaged.
bool readRequest(const QStringList &arguments, ReadRequest *request);

QByteArray progressLine(double fraction);
QByteArray resultLine(const ImportResult &result);

// Read one line (without its line break); false where it is not of that kind or damaged.
bool readProgress(const QByteArray &line, double *fraction);
bool readResult(const QByteArray &line, ImportResult *result);

} // namespace ReaderProtocol
