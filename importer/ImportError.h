#pragma once

#include <QString>

#include <stdexcept>

// The one way a reader or writer of the importer refuses its input: the message is a
// complete sentence fragment the tool prints as its single line of output, so it names
// the file and the reason ("x.nii: datatype 32 is not supported"). Control characters,
// which a damaged header can bring into a quoted field, become '?' so that the line stays
// one line.
class ImportError : public std::runtime_error
{
public:
    explicit ImportError(const QString &message)
        : std::runtime_error(printable(message).toStdString())
    {
    }

    QString message() const { return QString::fromStdString(what()); }

private:
    static QString printable(QString text)
    {
        for (QChar &c : text) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                c = QLatin1Char('?');
        }
        return text;
    }
};

// The import stopped because the one waiting for it asked it to.
class ImportCancelled : public ImportError
{
public:
    explicit ImportCancelled(const QString &file)
        : ImportError(file + QStringLiteral(": opening cancelled"))
    {
    }
};
