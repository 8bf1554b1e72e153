#include "PlistReader.h"

#include "ImportError.h"

#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>

namespace {

// Guards the recursion against a hostile file of nested arrays.
constexpr int maxDepth = 64;

class PlistParser
{
public:
    PlistParser(const QByteArray &xml, const QString &file)
        : xml(xml)
        , file(file)
    {
    }

    QVariant parse()
    {
        if (!xml.readNextStartElement() || xml.name() != QLatin1String("plist"))
            refuse(QStringLiteral("no plist element"));
        QVariant root;
        if (xml.readNextStartElement())
            root = readValue(0);
        if (xml.hasError())
            refuse(xml.errorString());
        return root;
    }

private:
    // Called on a value's start element; returns after its end element.
    QVariant readValue(int depth)
    {
        if (depth > maxDepth)
            refuse(QStringLiteral("nested deeper than %1 levels").arg(maxDepth));
        const QStringView name = xml.name();
        if (name == QLatin1String("dict"))
            return readDict(depth);
        if (name == QLatin1String("array"))
            return readArray(depth);
        if (name == QLatin1String("integer"))
            return readElementText().toLongLong();
        if (name == QLatin1String("real"))
            return readElementText().toDouble();
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool value = name == QLatin1String("true");
            xml.skipCurrentElement();
            return value;
        }
        return readElementText();
    }

    QVariant readDict(int depth)
    {
        QVariantMap map;
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("key"))
                refuse(QStringLiteral("dict entry without a key"));
            const QString key = readElementText();
            if (!xml.readNextStartElement())
                refuse(QStringLiteral("key %1 without a value").arg(key));
            map.insert(key, readValue(depth + 1));
        }
        return map;
    }

    QVariant readArray(int depth)
    {
        QVariantList list;
        while (xml.readNextStartElement())
            list.append(readValue(depth + 1));
        return list;
    }

    QString readElementText()
    {
        const QString text = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (xml.hasError())
            refuse(xml.errorString());
        return text.trimmed();
    }

    [[noreturn]] void refuse(const QString &reason)
    {
        throw ImportError(QStringLiteral("%1: not a property list (%2)").arg(file, reason));
    }

    QXmlStreamReader xml;
    QString file;
};

} // namespace

QVariant parsePlist(const QByteArray &xml, const QString &file)
{
    return PlistParser(xml, file).parse();
}
