#include "Volume.h"

#include <QColor>
#include <QPixmap>

Volume::Volume(const char *)
{
    histogram = new QPixmap(4096, 65);
    histogram->fill(Qt::lightGray);
}

Volume::~Volume()
{
    delete[] samples;
    delete[] voxels;
    delete histogram;
}

int *Volume::dimensions() const
{
    return new int[3]{sizeX, sizeY, sizeZ};
}

void Volume::deleteTexture()
{
}

void Volume::load(const char *)
{
}

void Volume::createTexture()
{
}

void Volume::createHistogram()
{
}
