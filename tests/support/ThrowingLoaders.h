#pragma once

// The service pack file and XML files loaded the way the main window reports a failure:
// PelkError "Error loading <full path>". Tests compare the readers against this form.

#include "base/PelkError.h"
#include "sysinfo/InstallationData.h"
#include "sysinfo/XmlHelpers.h"

#include <QFileInfo>

inline XmlDocumentPtr LoadXmlFile(const QString &path)
{
    QString reason;
    XmlDocumentPtr document = ReadXmlFile(path, reason);
    if (!document)
        throw PelkError(QStringLiteral("Error loading ") + QFileInfo(path).absoluteFilePath());
    return document;
}

inline InstallationData LoadInstallationData(const QString &programFolderWithSeparator)
{
    InstallationData data = ReadInstallationData(programFolderWithSeparator);
    if (!data.LoadFailure.isEmpty())
        throw PelkError(QStringLiteral("Error loading ") + ServicePackPath(programFolderWithSeparator));
    return data;
}
