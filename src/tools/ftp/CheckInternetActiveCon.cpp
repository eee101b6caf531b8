#include "tools/ftp/CheckInternetActiveCon.h"

#include <QNetworkInformation>

namespace {

std::function<bool()> &replacement()
{
    static std::function<bool()> check;
    return check;
}

} // namespace

void SetInternetActiveCheck(std::function<bool()> check)
{
    replacement() = std::move(check);
}

bool IsInternetActive()
{
    if (replacement())
        return replacement()();
    // Loading is cheap after the first time; a machine without a backend is not refused.
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return true;
    const QNetworkInformation *information = QNetworkInformation::instance();
    return !information ||
           information->reachability() != QNetworkInformation::Reachability::Disconnected;
}
