// The network module: Qt's network stack, loaded by the program with its first check.

#include "check/HttpExchange.h"
#include "check/NetworkModule.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT HttpTransport *PelkCreateHttpTransport()
{
    return new QtHttpTransport; // owned by the program's NetworkModule
}

// The entry point must keep the type the program looks it up with.
static_assert(std::is_same_v<decltype(&PelkCreateHttpTransport), NetworkModuleEntry>);
