#pragma once

#include <QString>

namespace korvane::platform {

// Where the link reports its two status texts: the window's labels, the CLI's stderr.
class StatusView
{
public:
    virtual ~StatusView() = default;
    // text: "COM3 Open", "COM12Unviable". device: the port's device. problem: why an open
    // failed and what the user can do about it, empty when there is nothing to say.
    virtual void setPortStatus(const QString& text, const QString& device,
                               const QString& problem) = 0;
    // "Connected" or "unconnected".
    virtual void setLinkStatus(const QString& text) = 0;
};

} // namespace korvane::platform
