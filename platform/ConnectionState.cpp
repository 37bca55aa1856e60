#include "ConnectionState.h"

std::optional<std::uint32_t> ConnectionState::connectedFlags() const {
    // Qt keeps the first backend that loads for the rest of the program's run.
    if (QNetworkInformation::instance() == nullptr &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        return std::nullopt;
    }
    return flagsFor(QNetworkInformation::instance()->reachability());
}

std::optional<std::uint32_t> ConnectionState::flagsFor(QNetworkInformation::Reachability reachability) {
    switch (reachability) {
    case QNetworkInformation::Reachability::Online: return INTERNET_CONNECTION_LAN;
    case QNetworkInformation::Reachability::Disconnected: return INTERNET_CONNECTION_OFFLINE;
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site: return 0;
    case QNetworkInformation::Reachability::Unknown: break;
    }
    return std::nullopt;
}
