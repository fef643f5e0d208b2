#pragma once

class QNetworkAccessManager;
struct ProxySettings;

// Sets up `manager` for the stored proxy option: 0 the system's configuration (desktop
// settings, http_proxy / https_proxy / no_proxy), 1 a direct connection whatever the
// environment says, 2 the stored HTTP proxy server and port. Any other value connects
// directly, as the settings dialog never stores one. Throws PelkError for option 2 with a
// missing server or a port that is not a number from 1 to 65535.
void ApplyProxySettings(QNetworkAccessManager &manager, const ProxySettings &settings);
