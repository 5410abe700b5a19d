#include "svg_references.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace metafile_helper {

namespace {

bool staysInside(QStringView reference)
{
    const QStringView trimmed = reference.trimmed();
    return trimmed.startsWith(u'#') || trimmed.startsWith(u"data:", Qt::CaseInsensitive);
}

} // namespace

QByteArray withoutOutsideReferences(const QByteArray& svg)
{
    // Read as Qt's renderer reads it, with the same XML reader: what comes
    // out is the document the renderer would have seen, less the references.
    QXmlStreamReader reader(svg);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError())
            return {};
        if (reader.tokenType() != QXmlStreamReader::StartElement) {
            writer.writeCurrentToken(reader);
            continue;
        }
        for (const QXmlStreamNamespaceDeclaration& declaration : reader.namespaceDeclarations())
            writer.writeNamespace(declaration.namespaceUri().toString(), declaration.prefix().toString());
        writer.writeStartElement(reader.namespaceUri().toString(), reader.name().toString());
        for (const QXmlStreamAttribute& attribute : reader.attributes()) {
            if (attribute.name() != u"href" || staysInside(attribute.value()))
                writer.writeAttribute(attribute);
        }
    }
    return out;
}

} // namespace metafile_helper
