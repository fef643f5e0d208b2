#pragma once

#include "check/HttpTransport.h"

struct ProxySettings;

// The route for the stored proxy option: 0 the system's configuration, 1 a direct connection
// whatever the environment says, 2 the stored HTTP proxy server and port. Any other value
// connects directly, as the settings dialog never stores one. The stored login answers the
// proxy unless the connection is direct. Throws PelkError for option 2 with a missing server
// or a port that is not a number from 1 to 65535.
ProxyRoute ChooseProxyRoute(const ProxySettings &settings);
