// A service's Retry-After header: any bytes give a time or none, and the wait that follows
// never ends later than a day from now.

#include "FuzzInput.h"
#include "check/AutomaticCheckBackOff.h"

#include <QRandomGenerator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const QDateTime now(QDate(2026, 1, 5), QTime(8, 0), Qt::UTC);
    RetryAfterTime(bytes, now);
    QRandomGenerator random(1);
    const QDateTime next = NextAutomaticCheckAfterFailure(1, bytes, now, random);
    FUZZ_CHECK(next.isValid() && next <= now.addSecs(kLongestAutomaticWaitSeconds));
    return 0;
}
