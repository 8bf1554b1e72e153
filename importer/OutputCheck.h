#pragma once

#include <QString>

#include <string>
#include <vector>

// Why dat-import must not write `output`, empty when it may: the output is the same file
// (same device and inode, links followed) as the input or as any file the input names,
// such as X.raw of X.mhd, the .img of a .hdr or the files of a DICOM series; or its name
// does not end in .dat and `force` is off.
QString outputRefusal(const QString &output, const std::vector<std::string> &inputFiles, bool force);
