#pragma once

#include <QImage>

// The largest difference of any colour channel between two pictures of the same size, 0
// to 255: what two renderings that should agree may differ by.
int largestChannelDifference(const QImage &a, const QImage &b);
