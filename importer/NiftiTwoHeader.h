#pragma once

#include <QByteArray>
#include <QString>

// NIfTI-2 differs from NIfTI-1 only in its header: 540 bytes of 64-bit sizes and doubles
// instead of 348 of 16-bit sizes and floats. ITK 5.2 reads NIfTI-1 only, and Debian's
// NIfTI-2 library exports the same symbol names as the NIfTI-1 library inside ITK, so the
// two cannot share a process. A NIfTI-2 file is therefore read by ITK through a NIfTI-1
// header of a .hdr/.img pair that states the same, beside a link to the original data.
namespace NiftiTwoHeader {

constexpr int size = 540;

// Whether `bytes` begin with a NIfTI-2 header, in either byte order.
bool isNiftiTwo(const QByteArray &bytes);

// The 352 bytes of a NIfTI-1 pair header (magic "ni1") that state what the NIfTI-2 header
// `two` states, in its byte order, with the same data offset. Empty, with `refusal` set,
// where NIfTI-1 cannot hold it: sizes beyond 32767, an offset that a float does not hold
// exactly.
QByteArray toNiftiOnePair(const QByteArray &two, QString *refusal);

} // namespace NiftiTwoHeader
