#include "ItkImageIO.h"

#include "ImportError.h"
#include "PatientFrameMath.h"

#include <gdcmTrace.h>

#include <QRegularExpression>

#include <mutex>
#include <new>

namespace ItkImageIO {

namespace {

constexpr int maxReasonLength = 200;

bool sampleTypeOf(itk::IOComponentEnum component, SampleType *type)
{
    switch (component) {
    case itk::IOComponentEnum::UCHAR: *type = SampleType::UInt8; return true;
    case itk::IOComponentEnum::CHAR: *type = SampleType::Int8; return true;
    case itk::IOComponentEnum::USHORT: *type = SampleType::UInt16; return true;
    case itk::IOComponentEnum::SHORT: *type = SampleType::Int16; return true;
    case itk::IOComponentEnum::UINT: *type = SampleType::UInt32; return true;
    case itk::IOComponentEnum::INT: *type = SampleType::Int32; return true;
    case itk::IOComponentEnum::FLOAT: *type = SampleType::Float32; return true;
    case itk::IOComponentEnum::DOUBLE: *type = SampleType::Float64; return true;
    default: return false;
    }
}

// ITK states directions and origin in LPS for every format it reads. A 2-D image gets the
// normal of its plane as third axis; an image of fewer dimensions the patient's own axes.
PatientFrame frameOf(const itk::ImageIOBase &io)
{
    PatientFrame frame;
    const unsigned dimensions = std::min(io.GetNumberOfDimensions(), 3u);
    for (unsigned axis = 0; axis < dimensions; ++axis) {
        const std::vector<double> direction = io.GetDirection(axis);
        for (unsigned c = 0; c < 3; ++c)
            frame.axes[axis][c] = c < direction.size() ? direction[c] : 0.0;
        frame.origin[axis] = io.GetOrigin(axis);
    }
    if (dimensions == 2)
        frame.axes[2] = PatientFrameMath::cross(frame.axes[0], frame.axes[1]);
    if (!PatientFrameMath::normalizeAxes(&frame))
        frame = PatientFrame();
    return frame;
}

} // namespace

void quietLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        itk::Object::GlobalWarningDisplayOff();
        gdcm::Trace::SetDebug(false);
        gdcm::Trace::SetWarning(false);
        gdcm::Trace::SetError(false);
    });
}

QString reason(const std::exception &error)
{
    // MetaIO asks for absurd sizes on some damaged headers (2^63 bytes, found by the fuzzer).
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return QStringLiteral("not enough memory");
    const auto *itkError = dynamic_cast<const itk::ExceptionObject *>(&error);
    QString text = QString::fromLocal8Bit(itkError ? itkError->GetDescription() : error.what()).simplified();
    // "ITK ERROR: NrrdImageIO(0x...): Read: " and the like say nothing to the user.
    static const QRegularExpression origin(QStringLiteral("^(itk::ERROR|ITK ERROR):?\\s*\\w+\\(0x[0-9a-f]+\\):\\s*"));
    text.remove(origin);
    // NRRD's reasons come as a chain from the outermost call in; the innermost one tells.
    const int innermost = text.lastIndexOf(QLatin1String("[nrrd] "));
    if (innermost >= 0)
        text = text.mid(innermost + 7);
    if (text.isEmpty())
        text = QStringLiteral("cannot be read");
    if (text.size() > maxReasonLength)
        text = text.left(maxReasonLength) + QStringLiteral("...");
    return text;
}

void readInformation(itk::ImageIOBase &io, const QString &file, SourceVolume *volume)
{
    try {
        io.ReadImageInformation();
    } catch (const std::exception &error) {
        throw ImportError(QStringLiteral("%1: %2").arg(file, reason(error)));
    }
    if (io.GetNumberOfComponents() != 1 || io.GetPixelType() != itk::IOPixelEnum::SCALAR)
        throw ImportError(QStringLiteral("%1: holds %2 values per voxel (%3); only scalar images are supported")
                              .arg(file)
                              .arg(io.GetNumberOfComponents())
                              .arg(QString::fromStdString(itk::ImageIOBase::GetPixelTypeAsString(io.GetPixelType()))));
    if (!sampleTypeOf(io.GetComponentType(), &volume->type))
        throw ImportError(QStringLiteral("%1: samples of type %2 are not supported")
                              .arg(file, QString::fromStdString(itk::ImageIOBase::GetComponentTypeAsString(io.GetComponentType()))));
    const unsigned dimensions = io.GetNumberOfDimensions();
    if (dimensions < 1)
        throw ImportError(QStringLiteral("%1: holds no image").arg(file));
    for (unsigned axis = 3; axis < dimensions; ++axis) {
        if (io.GetDimensions(axis) != 1)
            throw ImportError(QStringLiteral("%1: holds %2 volumes along its axis %3; only single volumes are supported")
                                  .arg(file)
                                  .arg(io.GetDimensions(axis))
                                  .arg(axis + 1));
    }
    for (unsigned axis = 0; axis < 3; ++axis) {
        volume->sizes[axis] = axis < dimensions ? io.GetDimensions(axis) : 1;
        volume->spacing[axis] = axis < dimensions ? io.GetSpacing(axis) : 1.0;
    }
    volume->frame = frameOf(io);
    checkGrid(file, volume->sizes[0], volume->sizes[1], volume->sizes[2]);
}

void readPixels(itk::ImageIOBase &io, const QString &file, void *buffer)
{
    const unsigned dimensions = io.GetNumberOfDimensions();
    itk::ImageIORegion region(dimensions);
    for (unsigned axis = 0; axis < dimensions; ++axis) {
        region.SetIndex(axis, 0);
        region.SetSize(axis, io.GetDimensions(axis));
    }
    try {
        io.SetIORegion(region);
        io.Read(buffer);
    } catch (const std::exception &error) {
        throw ImportError(QStringLiteral("%1: %2").arg(file, reason(error)));
    }
}

} // namespace ItkImageIO
