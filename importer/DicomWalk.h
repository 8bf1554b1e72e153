#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

// Walks a DICOM file's elements as the standard lays them out, before GDCM reads it. GDCM
// aborts on assertions for any file cut short inside its header, and for other damage (a
// damaged UID in the meta header sends it to its fallback reader, elements that fit no form
// to another; the fallbacks are the only readers of files without the "DICM" preamble), and
// it allocates whatever length an element declares. In the reader process an abort costs
// only the open, but the open of a whole exam: one damaged file among the thousands of a
// folder must be passed over instead. A file passes when it has the preamble, a sound group
// 2 naming its transfer syntax, and elements up to the pixel data that each have a known
// form and fit in the file, sequences included. The walk reads only as far as the pixel
// data, so it costs little beside the header read that follows it. A deflated data set is
// inflated first (up to the walk's limit) and walked as GDCM will read it.
class DicomWalk
{
public:
    explicit DicomWalk(const QString &path);

    bool sound();

    // A little-endian (or big-endian) unsigned word of `size` bytes at `p`.
    static uint32_t readWord(const unsigned char *p, int size, bool bigEndian);

private:
    struct Element
    {
        uint32_t tag = 0;
        QByteArray vr;
        uint32_t length = 0;
        qint64 valueAt = 0;
    };

    bool have(qint64 size);
    uint32_t word(qint64 at, int size, bool big = false) const;
    static bool isUid(const QByteArray &value);
    bool readElement(qint64 at, bool meta, Element *element);
    bool walkItems(qint64 *at, qint64 end, int depth);
    bool walk(qint64 at, qint64 end, int depth, qint64 *after = nullptr);
    bool inflateFrom(qint64 at);
    static bool mayBeUndefined(const Element &element);
    bool holdsItems(const Element &element) const;

    QFile file;
    QByteArray bytes;
    bool explicitVr = true;
    bool bigEndian = false;
    // The data set was deflated: `bytes` hold it inflated, and nothing more is read.
    bool inflated = false;
    bool inflatedWhole = false;
    bool atEnd() const;
};
