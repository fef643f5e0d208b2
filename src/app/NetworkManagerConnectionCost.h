#pragma once

#include "check/ConnectionCost.h"

// NetworkManager's word on the connection (its "Metered" property, on the system bus). Without
// NetworkManager, without the property or on an error the connection counts as not metered,
// and the question costs at most a short wait.
class NetworkManagerConnectionCost : public ConnectionCost
{
public:
    bool isMetered() const override;
};
