#include "NiftiTwoHeader.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace NiftiTwoHeader {

namespace {

constexpr int niftiOneSize = 348;
constexpr int niftiOnePairSize = 352;

// Reads and writes numbers of one header in its byte order.
class Fields
{
public:
    Fields(QByteArray *bytes, bool swapped)
        : bytes(bytes)
        , swapped(swapped)
    {
    }

    uint64_t raw(int at, int size) const
    {
        uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= uint64_t(uint8_t((*bytes)[at + (swapped ? size - 1 - i : i)])) << (8 * i);
        return value;
    }
    void putRaw(int at, int size, uint64_t value)
    {
        for (int i = 0; i < size; ++i)
            (*bytes)[at + (swapped ? size - 1 - i : i)] = char((value >> (8 * i)) & 0xff);
    }

    int64_t integer(int at, int size) const
    {
        const uint64_t value = raw(at, size);
        const int shift = 64 - 8 * size;
        return int64_t(value << shift) >> shift;
    }
    double real(int at) const
    {
        const uint64_t bits = raw(at, 8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void putFloat(int at, double value)
    {
        const float narrow = float(value);
        uint32_t bits;
        std::memcpy(&bits, &narrow, sizeof bits);
        putRaw(at, 4, bits);
    }

private:
    QByteArray *bytes;
    bool swapped;
};

bool hasSize(const QByteArray &bytes, bool swapped)
{
    QByteArray copy = bytes.left(4);
    return copy.size() == 4 && Fields(&copy, swapped).raw(0, 4) == uint64_t(size);
}

} // namespace

bool isNiftiTwo(const QByteArray &bytes)
{
    const QByteArray magic = bytes.mid(4, 3);
    return bytes.size() >= size && (hasSize(bytes, false) || hasSize(bytes, true)) && (magic == "n+2" || magic == "ni2");
}

QByteArray toNiftiOnePair(const QByteArray &two, QString *refusal)
{
    QByteArray source = two.left(size);
    const bool swapped = !hasSize(source, false);
    const Fields from(&source, swapped);
    QByteArray one(niftiOnePairSize, '\0');
    Fields to(&one, swapped);

    const int64_t dimensions = from.integer(16, 8);
    for (int i = 0; i < 8; ++i) {
        const int64_t value = from.integer(16 + 8 * i, 8);
        if (i <= dimensions && (value > std::numeric_limits<int16_t>::max() || value < std::numeric_limits<int16_t>::min())) {
            *refusal = QStringLiteral("dim[%1] = %2 is beyond the sizes this reader takes (32767)").arg(i).arg(value);
            return QByteArray();
        }
        to.putRaw(40 + 2 * i, 2, uint64_t(value));
    }
    const int64_t offset = from.integer(168, 8);
    if (offset < 0 || double(float(offset)) != double(offset)) {
        *refusal = QStringLiteral("vox_offset %1 is beyond what this reader takes").arg(offset);
        return QByteArray();
    }

    to.putRaw(0, 4, niftiOneSize);
    one[39] = source[524];                            // dim_info
    for (int i = 0; i < 3; ++i)
        to.putFloat(56 + 4 * i, from.real(80 + 8 * i)); // intent_p1..3
    to.putRaw(68, 2, uint64_t(from.integer(504, 4)));   // intent_code
    to.putRaw(70, 2, from.raw(12, 2));                   // datatype
    to.putRaw(72, 2, from.raw(14, 2));                   // bitpix
    to.putRaw(74, 2, uint64_t(from.integer(224, 8)));   // slice_start
    for (int i = 0; i < 8; ++i)
        to.putFloat(76 + 4 * i, from.real(104 + 8 * i)); // pixdim
    to.putFloat(108, double(offset));
    to.putFloat(112, from.real(176));                    // scl_slope
    to.putFloat(116, from.real(184));                    // scl_inter
    to.putRaw(120, 2, uint64_t(from.integer(232, 8)));  // slice_end
    one[122] = char(from.integer(496, 4));               // slice_code
    one[123] = char(from.integer(500, 4));               // xyzt_units
    to.putFloat(124, from.real(192));                    // cal_max
    to.putFloat(128, from.real(200));                    // cal_min
    to.putFloat(132, from.real(208));                    // slice_duration
    to.putFloat(136, from.real(216));                    // toffset
    one.replace(148, 80, source.mid(240, 80));           // descrip
    one.replace(228, 24, source.mid(320, 24));           // aux_file
    to.putRaw(252, 2, uint64_t(from.integer(344, 4)));  // qform_code
    to.putRaw(254, 2, uint64_t(from.integer(348, 4)));  // sform_code
    for (int i = 0; i < 18; ++i)
        to.putFloat(256 + 4 * i, from.real(352 + 8 * i)); // quatern_b..qoffset_z, srow_x..z
    one.replace(328, 16, source.mid(508, 16));           // intent_name
    one.replace(344, 4, QByteArray("ni1\0", 4));
    return one;
}

} // namespace NiftiTwoHeader
