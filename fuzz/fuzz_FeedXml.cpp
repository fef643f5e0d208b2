// The update service's reply: the feed document, the counts of the check, the rows of the
// message list and the page of every message.

#include "FuzzInput.h"
#include "base/PelkError.h"
#include "messages/MessageList.h"
#include "messages/MessagePage.h"
#include "messages/SeenMsgIDs.h"
#include "sysinfo/XmlHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const SeenMsgIDs seen(QList<QByteArray>({QByteArray("a1"), QByteArray("B2")}));
    try {
        const XmlDocumentPtr feed = ParseXmlText(FuzzBytes(data, size));
        FUZZ_CHECK(feed != nullptr);
        const MessageList list = BuildMessageList(feed.get(), seen, {QStringLiteral("Info"), QStringLiteral("Update"),
                                                                     QStringLiteral("New: ")});
        FUZZ_CHECK(list.Rows.size() == list.Records.size());
        for (const TMessageData &record : list.Records) {
            const QByteArray page = MsgPageHtml(*feed, record.MsgID);
            FUZZ_CHECK(page.startsWith("<html>\r\n"));
        }
    } catch (const PelkError &) {
        // A failure with a message for the user (an encoding nobody knows, a date that does
        // not exist) is a sound answer to a bad feed.
    }
    return 0;
}
