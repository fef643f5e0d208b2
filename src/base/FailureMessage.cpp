#include "base/FailureMessage.h"

#include "base/PelkError.h"

#include <exception>
#include <new>

QString CurrentFailureMessage()
{
    try {
        throw;
    } catch (const PelkError &error) {
        return error.message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception &error) {
        const QString what = QString::fromUtf8(error.what());
        return what.isEmpty() ? QStringLiteral("Unknown error") : what;
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}
