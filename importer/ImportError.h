#pragma once

#include <QString>

#include <stdexcept>

// The one way a reader or writer of the importer refuses its input: the message is a
// complete sentence fragment the tool prints as its single line of output, so it names
// the file and the reason ("x.nii: datatype 32 (complex) is not supported").
class ImportError : public std::runtime_error
{
public:
    explicit ImportError(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }

    QString message() const { return QString::fromStdString(what()); }
};
