#include "sysinfo/XmlHelpers.h"

#include "app/PelkError.h"

#include <QFile>
#include <QFileInfo>
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

bool parseInto(XmlDocument &document, const QByteArray &text)
{
    return isWellFormed(text)
        && document.load_buffer(text.constData(), size_t(text.size()), kParseOptions,
                                pugi::encoding_auto);
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
    const QFileInfo info(path);
    if (!info.exists()) {
        reason = QStringLiteral("the file does not exist");
        return nullptr;
    }
    if (info.isDir()) {
        reason = QStringLiteral("it is a folder");
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return nullptr;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return nullptr;
    }
    auto document = std::make_shared<XmlDocument>();
    if (!parseInto(*document, content)) {
        reason = QStringLiteral("it is not well-formed XML");
        return nullptr;
    }
    return document;
}

XmlDocumentPtr LoadXmlFile(const QString &path)
{
    QString reason;
    XmlDocumentPtr document = ReadXmlFile(path, reason);
    if (!document)
        throw PelkError(QStringLiteral("Error loading ") + QFileInfo(path).absoluteFilePath());
    return document;
}

XmlDocumentPtr ParseXmlText(const QByteArray &text)
{
    auto document = std::make_shared<XmlDocument>();
    if (!parseInto(*document, text))
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
