#pragma once

#include <QString>

class Languages;
struct ProxyRoute;
struct UpdateRequest;

// The request in plain words, for the user to read before it goes out: the address, the
// route, and every field of the body exactly as sent, each with a line that says what it
// is. The proxy password is never part of it.
QString DescribeUpdateRequest(const UpdateRequest &request, const Languages &languages);

// "the system's proxy settings", "direct, without a proxy" or the proxy server and port,
// with the user name of a login when one is given.
QString DescribeProxyRoute(const ProxyRoute &route, const Languages &languages);
