#pragma once

#include "messages/MessagePageDisplay.h"
#include "messages/SeenMsgIDs.h"
#include "messages/TMessageData.h"
#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>
#include <utility>
#include <vector>

class Clock;
class Languages;
class MessageListModel;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTreeView;
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

    // The hand-over without the show, for callers that show the window themselves.
    void setFeed(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds);

    // Rebuilds the list from the feed and selects the first row. A date that does not
    // convert leaves its row without a date and throws, after the whole list is filled,
    // PelkError with the first such error.
    void FillMsgList();

    // State for tests and tools.
    const SeenMsgIDs &seenMsgIDs() const { return m_seenMsgIDs; }
    const std::vector<TMessageData> &msgRecords() const { return m_msgRecords; }
    MessagePageDisplay *pageDisplay() const { return m_wbMsg; }
    // How the page display is made at the first show; by default from the module beside
    // the program.
    void setPageFactory(MessagePageFactory factory) { m_pageFactory = std::move(factory); }
    // The outer size as the store keeps it (Msg.Width, Msg.Height).
    QSize outerSize() const;
    int shownRow() const { return m_shownItem; }
    quint32 shownTick() const { return m_shownTick; }

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void done(int result) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildLayout();
    void layoutControls();
    void applyListHeight(int height);
    void createPageDisplay();
    void pageFailed(const QString &message);
    void centreOnScreen();
    void reportLater(const QString &message);
    // Marks the selected messages read or unread, as the context menu's two items do.
    void markSelected(bool unread);
    void announceCurrentRow();

    void FormCreate();
    void FormDestroy();
    void FormShow();
    void applyAutoUpdateLock();
    void FormClose();
    void LVMsgSelectItem();
    void LVMsgContextPopup(const QPoint &position);
    void MIMarkAsReadClick();
    void MIMarkAsUnreadClick();
    void BuCloseClick();
    // The page of the record's own message; blank for none.
    void ShowMsgPage(const TMessageData *record);

    void AddSeenMsgID(const QByteArray &id);

    TMessageData &recordOfRow(int row);
    QList<int> selectedRowsInOrder() const;
    // The one selected row, or -1 when none or several rows are selected.
    int singleSelectedRow() const;

    RegistryStore &m_store;
    const InstallationData &m_installation;
    const Clock &m_clock;
    UrlOpener &m_urlOpener;

    QLabel *m_lTitle = nullptr;
    QLabel *m_lHeader = nullptr;
    QLabel *m_image2 = nullptr;
    QWidget *m_pMain = nullptr;
    QSplitter *m_splitter1 = nullptr;
    QTreeView *m_lvMsg = nullptr;
    MessageListModel *m_model = nullptr;
    QFrame *m_pBottom = nullptr;
    MessagePageFactory m_pageFactory;
    MessagePageDisplay *m_wbMsg = nullptr; // made at the first show
    bool m_everShown = false;               // the window has been on the screen
    bool m_pageUnavailable = false;         // the page failed once; the list goes on without it
    QCheckBox *m_cbAutoUpdate = nullptr;
    QPushButton *m_buClose = nullptr;
    QMenu *m_pmItem = nullptr;
    QAction *m_miMarkAsRead = nullptr;
    QAction *m_miMarkAsUnread = nullptr;

    XmlDocumentPtr m_msgFeed;
    SeenMsgIDs m_seenMsgIDs;
    std::vector<TMessageData> m_msgRecords;
    QString m_infoText;
    QString m_updateText;
    QString m_newText;
    QString m_autoUpdateText;
    QString m_setByAdministrator;

    int m_shownItem = -1;
    quint32 m_shownTick = 0xFFFFFFFFu;
};
