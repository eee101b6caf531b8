#include "tools/ftp/CheckInternetActiveCon.h"

#include <QNetworkInformation>

bool IsInternetActive()
{
    // Loading is cheap after the first time; a machine without a backend is not refused.
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return true;
    const QNetworkInformation *information = QNetworkInformation::instance();
    return !information ||
           information->reachability() != QNetworkInformation::Reachability::Disconnected;
}
