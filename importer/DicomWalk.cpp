#include "DicomWalk.h"

#include <QByteArrayList>

#include <zlib.h>

#include <algorithm>

namespace {

constexpr uint32_t undefinedLength = 0xffffffffu;
constexpr uint32_t pixelData = 0x7fe00010u;
constexpr int maxDepth = 16;
constexpr qint64 maxHeaderBytes = 64 << 20;

} // namespace

DicomWalk::DicomWalk(const QString &path)
    : file(path)
{
}

uint32_t DicomWalk::readWord(const unsigned char *p, int size, bool bigEndian)
{
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= uint32_t(p[bigEndian ? size - 1 - i : i]) << (8 * i);
    return value;
}

bool DicomWalk::sound()
{
    constexpr int preamble = 128;
    if (!file.open(QIODevice::ReadOnly) || !have(preamble + 4) || bytes.mid(preamble, 4) != "DICM")
        return false;
    qint64 at = preamble + 4;
    QByteArray syntax;
    while (have(at + 8) && word(at, 2) == 0x0002) {
        Element element;
        if (!readElement(at, true, &element) || !have(element.valueAt + element.length))
            return false;
        const QByteArray value = bytes.mid(int(element.valueAt), int(element.length));
        if (element.vr == "UI" && !isUid(value))
            return false;
        if (element.tag == 0x00020010)
            syntax = value;
        at = element.valueAt + element.length;
    }
    while (syntax.endsWith('\0') || syntax.endsWith(' '))
        syntax.chop(1);
    if (syntax.isEmpty())
        return false;
    if (syntax == "1.2.840.10008.1.2.1.99" && !inflateFrom(at))
        return false;
    explicitVr = syntax != "1.2.840.10008.1.2";
    bigEndian = syntax == "1.2.840.10008.1.2.2";
    // GDCM aborts where the file ends with its meta group: it reads on for the next element.
    return have(at + 8) && walk(at, -1, 0);
}

// Replaces the deflated data set after `at` by its inflated bytes, at most the walk's limit
// of them (a data set cut there still walks up to its pixel data); false where it does not
// inflate.
bool DicomWalk::inflateFrom(qint64 at)
{
    if (!have(at))
        return false;
    bytes += file.read(maxHeaderBytes);
    const QByteArray deflated = bytes.mid(int(at));
    bytes.truncate(int(at));
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(deflated.constData()));
    z.avail_in = uInt(deflated.size());
    int status = Z_OK;
    QByteArray chunk(1 << 16, '\0');
    while (status == Z_OK && bytes.size() < maxHeaderBytes) {
        z.next_out = reinterpret_cast<Bytef *>(chunk.data());
        z.avail_out = uInt(chunk.size());
        status = inflate(&z, Z_NO_FLUSH);
        bytes.append(chunk.constData(), chunk.size() - int(z.avail_out));
    }
    inflateEnd(&z);
    inflated = true;
    inflatedWhole = status == Z_STREAM_END && file.atEnd();
    return status == Z_STREAM_END || status == Z_OK || status == Z_BUF_ERROR;
}

bool DicomWalk::atEnd() const
{
    return inflated ? inflatedWhole : file.atEnd();
}

// Reads on until the first `size` bytes are there; false when the file is shorter.
bool DicomWalk::have(qint64 size)
{
    if (size <= bytes.size())
        return true;
    if (size > maxHeaderBytes || inflated)
        return false;
    bytes += file.read(std::max<qint64>(size, 2 * bytes.size() + 4096) - bytes.size());
    return size <= bytes.size();
}

uint32_t DicomWalk::word(qint64 at, int size, bool big) const
{
    return readWord(reinterpret_cast<const unsigned char *>(bytes.constData()) + at, size, big);
}

bool DicomWalk::isUid(const QByteArray &value)
{
    return std::all_of(value.begin(), value.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '\0' || c == ' '; });
}

bool DicomWalk::readElement(qint64 at, bool meta, Element *element)
{
    const bool big = bigEndian && !meta;
    if (!have(at + 8))
        return false;
    element->tag = word(at, 2, big) << 16 | word(at + 2, 2, big);
    if (element->tag >> 16 == 0xfffe) {
        element->length = word(at + 4, 4, big);
        element->valueAt = at + 8;
        return true;
    }
    if (!meta && !explicitVr) {
        element->length = word(at + 4, 4, big);
        element->valueAt = at + 8;
        return true;
    }
    element->vr = bytes.mid(int(at + 4), 2);
    static const QByteArrayList knownForms{"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FD", "FL", "IS", "LO", "LT", "OB", "OD",
                                           "OF", "OL", "OV", "OW", "PN", "SH", "SL", "SQ", "SS", "ST", "SV", "TM", "UC", "UI",
                                           "UL", "UN", "UR", "US", "UT", "UV"};
    if (!knownForms.contains(element->vr))
        return false;
    static const QByteArrayList longForms{"OB", "OD", "OF", "OL", "OV", "OW", "SQ", "SV", "UC", "UN", "UR", "UT", "UV"};
    if (longForms.contains(element->vr)) {
        if (!have(at + 12))
            return false;
        element->length = word(at + 8, 4, big);
        element->valueAt = at + 12;
    } else {
        element->length = word(at + 6, 2, big);
        element->valueAt = at + 8;
    }
    return true;
}

// Items of a sequence (or fragments of encapsulated pixel data) from `at` to `end`, or
// to the sequence delimiter where `end` is -1.
bool DicomWalk::walkItems(qint64 *at, qint64 end, int depth)
{
    while (end < 0 || *at < end) {
        Element item;
        if (!readElement(*at, false, &item) || item.tag >> 16 != 0xfffe)
            return false;
        if (item.tag == 0xfffee0dd) {
            *at = item.valueAt;
            return end < 0;
        }
        if (item.tag != 0xfffee000)
            return false;
        if (item.length == undefinedLength) {
            *at = item.valueAt;
            if (!walk(*at, -1, depth + 1, at))
                return false;
        } else {
            if (!have(item.valueAt + item.length) || !walk(item.valueAt, item.valueAt + item.length, depth + 1))
                return false;
            *at = item.valueAt + item.length;
        }
    }
    return *at == end;
}

// An undefined length belongs to a sequence, to encapsulated pixel data, or (explicitly
// written) to an element of unknown form read as a sequence; GDCM aborts on any other.
bool DicomWalk::mayBeUndefined(const Element &element)
{
    static const QByteArrayList forms{"SQ", "UN", ""};
    return forms.contains(element.vr) || (element.tag == pixelData && (element.vr == "OB" || element.vr == "OW"));
}

// Without explicit forms a sequence of defined length is known by its first item, as GDCM
// knows it from its dictionary, then reads its items as strictly as any other.
bool DicomWalk::holdsItems(const Element &element) const
{
    return element.length >= 8 && word(element.valueAt, 2, bigEndian) == 0xfffe && word(element.valueAt + 2, 2, bigEndian) == 0xe000;
}

// Elements from `at` to `end` (-1: to an item delimiter, whose end goes to `after`, or,
// at the top, to the pixel data).
bool DicomWalk::walk(qint64 at, qint64 end, int depth, qint64 *after)
{
    if (depth > maxDepth)
        return false;
    while (end < 0 || at < end) {
        Element element;
        if (!readElement(at, false, &element))
            return depth == 0 && end < 0 && at == bytes.size() && atEnd();
        if (element.tag == 0xfffee00d && after) {
            *after = element.valueAt;
            return true;
        }
        if (element.tag >> 16 == 0xfffe)
            return false;
        if (depth == 0 && element.tag == pixelData)
            return true;
        qint64 next = element.valueAt + element.length;
        if (element.length == undefinedLength) {
            if (!mayBeUndefined(element))
                return false;
            next = element.valueAt;
            if (!walkItems(&next, -1, depth))
                return false;
        } else if (!have(next)) {
            return false;
        } else if (element.vr == "SQ" || (element.vr.isEmpty() && holdsItems(element))) {
            qint64 items = element.valueAt;
            if (!walkItems(&items, next, depth))
                return false;
        }
        at = next;
    }
    return at == end;
}
