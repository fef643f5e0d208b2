#pragma once

// What the system says of the network connection's cost.
class ConnectionCost
{
public:
    virtual ~ConnectionCost() = default;
    // True only when the system says so (or guesses so); unknown counts as not metered.
    virtual bool isMetered() const = 0;
};
