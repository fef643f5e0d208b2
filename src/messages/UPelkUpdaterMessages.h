#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>

class Clock;
class Languages;
class RegistryStore;
class UrlOpener;
struct InstallationData;

// The messages window: the list of a feed's messages, the page of the selected one,
// read / unread marking and the automatic-check wish.
class TFPelkUpdaterMessages : public QDialog
{
    Q_OBJECT

public:
    TFPelkUpdaterMessages(RegistryStore &store, const InstallationData &installation,
                          const Clock &clock, UrlOpener &urlOpener, QWidget *parent = nullptr);
    ~TFPelkUpdaterMessages() override;

    // The window's captions, column headings, menu entries and the stored texts
    // InfoText, UpdateText and NewText, in the current language.
    void applyTexts(const Languages &languages);

    // Hand-over from the check: the feed and a copy of the seen list; shows the window
    // modally and returns when the user has closed it.
    void ShowFeed(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds);

    // ... the rest is private to the messages window.
};
