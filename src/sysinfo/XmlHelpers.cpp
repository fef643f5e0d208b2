#include "sysinfo/XmlHelpers.h"

#include "base/FileReading.h"
#include "base/PelkError.h"
#include "sysinfo/XmlEncoding.h"

#include <QXmlStreamReader>

namespace {

// Keep white-space-only text as it stands: message texts and values are returned exactly.
constexpr unsigned int kParseOptions = pugi::parse_default | pugi::parse_ws_pcdata;

// pugixml forgives a second root element, text beside the root, repeated attributes and
// undeclared entities; a strict reader decides first whether the text is XML at all.
bool isWellFormed(const QByteArray &text)
{
    QXmlStreamReader reader(text);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

enum class ParseResult { Parsed, NotXml, NotInItsEncoding, UnknownEncoding };

// Both readers get the text as UTF-8, whatever encoding the document came in.
ParseResult parseInto(XmlDocument &document, const QByteArray &text, QByteArray &encoding)
{
    QByteArray utf8;
    switch (XmlTextAsUtf8(text, utf8, encoding)) {
    case XmlTextStatus::Utf8:
        break;
    case XmlTextStatus::UnknownEncoding:
        return ParseResult::UnknownEncoding;
    case XmlTextStatus::InvalidText:
        return ParseResult::NotInItsEncoding;
    }
    const bool parsed = isWellFormed(utf8)
        && document.load_buffer(utf8.constData(), size_t(utf8.size()), kParseOptions, pugi::encoding_utf8);
    return parsed ? ParseResult::Parsed : ParseResult::NotXml;
}

QString unknownEncodingText(const QByteArray &encoding)
{
    return QStringLiteral("unknown encoding \"%1\"").arg(QString::fromLatin1(encoding));
}

QString fromXml(const pugi::char_t *text)
{
    return QString::fromUtf8(text);
}

pugi::xpath_node_set selectOrThrow(const pugi::xml_node &context, const QString &xpath)
{
    const QByteArray expression = xpath.toUtf8();
    try {
        return context.select_nodes(expression.constData());
    } catch (const pugi::xpath_exception &error) {
        throw PelkError(QString::fromUtf8(error.what()));
    }
}

// The XPath string value: an attribute's value, all text below an element, a text node's text.
QString stringValue(const pugi::xpath_node &node)
{
    if (node.attribute())
        return fromXml(node.attribute().value());
    static const pugi::xpath_query kStringOfNode("string(.)");
    return QString::fromStdString(kStringOfNode.evaluate_string(node));
}

} // namespace

XmlDocumentPtr ReadXmlFile(const QString &path, QString &reason)
{
    // The file is read here rather than by the parser so that any file name the system
    // allows works; the parser itself never fetches anything (no external entities).
    const FileContent file = ReadWholeFile(path);
    if (file.state != FileContent::State::Read) {
        reason = file.reason;
        return nullptr;
    }
    const QByteArray &content = file.bytes;
    auto document = std::make_shared<XmlDocument>();
    QByteArray encoding;
    switch (parseInto(*document, content, encoding)) {
    case ParseResult::Parsed:
        return document;
    case ParseResult::UnknownEncoding:
        reason = unknownEncodingText(encoding);
        break;
    case ParseResult::NotInItsEncoding:
        reason = QStringLiteral("it is not text in the encoding \"%1\"").arg(QString::fromLatin1(encoding));
        break;
    case ParseResult::NotXml:
        reason = QStringLiteral("it is not well-formed XML");
        break;
    }
    return nullptr;
}

XmlDocumentPtr ParseXmlText(const QByteArray &text)
{
    auto document = std::make_shared<XmlDocument>();
    QByteArray encoding;
    const ParseResult result = parseInto(*document, text, encoding);
    if (result == ParseResult::UnknownEncoding)
        throw PelkError(QStringLiteral("The reply is in an ") + unknownEncodingText(encoding));
    if (result != ParseResult::Parsed)
        document->reset();
    return document;
}

QString SelectText(const pugi::xml_node &context, const QString &xpath, const QString &defaultText)
{
    const pugi::xpath_node_set nodes = selectOrThrow(context, xpath);
    if (nodes.empty())
        return defaultText;
    return stringValue(nodes.first());
}

pugi::xpath_node_set SelectNodes(const pugi::xml_node &context, const QString &xpath)
{
    pugi::xpath_node_set nodes = selectOrThrow(context, xpath);
    nodes.sort();
    return nodes;
}

QString AttributeText(const pugi::xml_node &node, const QString &name, const QString &defaultText)
{
    const QByteArray attributeName = name.toUtf8();
    const pugi::xml_attribute attribute = node.attribute(attributeName.constData());
    if (!attribute)
        return defaultText;
    return fromXml(attribute.value());
}
