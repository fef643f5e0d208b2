#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <pugixml.hpp>

using XmlDocument = pugi::xml_document;
using XmlDocumentPtr = std::shared_ptr<pugi::xml_document>;

// Documents may come in any encoding that the system's converter knows (XmlTextAsUtf8).

// Loads an XML file with white space kept and no external entities: nullptr when it is
// missing, unreadable or not well-formed, with `reason` saying why in a
// few words ("the file does not exist", "it is a folder", "it is not well-formed XML",
// "unknown encoding "x-name"", ...).
XmlDocumentPtr ReadXmlFile(const QString &path, QString &reason);

// Parses a reply body; a body that is not well-formed gives an empty document. A body in an
// encoding that cannot be read throws PelkError "The reply is in an unknown encoding "<name>"".
XmlDocumentPtr ParseXmlText(const QByteArray &text);

// The text of the first node that the XPath 1.0 expression selects from `context`
// (an attribute's value, an element's whole text content), or `defaultText`.
// A malformed expression throws PelkError.
QString SelectText(const pugi::xml_node &context, const QString &xpath, const QString &defaultText);

// Every node the expression selects, in document order. Throws PelkError on a bad expression.
pugi::xpath_node_set SelectNodes(const pugi::xml_node &context, const QString &xpath);

// The value of the node's attribute `name`, or `defaultText` when it has none.
QString AttributeText(const pugi::xml_node &node, const QString &name, const QString &defaultText);
