#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// XML property lists as InVesalius writes them: dict becomes QVariantMap, array
// QVariantList, string and date QString, integer qlonglong, real double, true and false
// bool. Malformed XML and nesting deeper than any real list are refused, naming `file`.
QVariant parsePlist(const QByteArray &xml, const QString &file);
