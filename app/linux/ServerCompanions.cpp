#include "ServerCompanions.h"

#include "ClockWatch.h"
#include "ServiceNotifier.h"
#include "TimeService.h"

namespace {

// "Address 192.168.1.10, 3 requests served, listening, clock synchronised, 2 stations, 0 silent":
// what the service manager shows.
void addStatusParts(ServiceNotifier& notifier, TimeService& service) {
    notifier.addStatusPart([&service] {
        const QString& address = service.localAddress();
        return address.isEmpty() ? QStringLiteral("No address") : QStringLiteral("Address ") + address;
    });
    notifier.addStatusPart([&service] {
        const std::int32_t requests = service.counters().requests;
        return requests == 1 ? QStringLiteral("1 request served") : QStringLiteral("%1 requests served").arg(requests);
    });
    notifier.addStatusPart([&service] { return service.runWord(); });
    notifier.addStatusPart([&service] { return service.clockWatch().stateText(); });
    QObject::connect(&service.clockWatch(), &ClockWatch::stateTextChanged, &notifier, &ServiceNotifier::statusChanged);
    QObject::connect(&service, &TimeService::serviceChanged, &notifier, &ServiceNotifier::statusChanged);
    notifier.addStatusPart([&service] { return service.stations().summary(); });
    QObject::connect(&service, &TimeService::stationChanged, &notifier, &ServiceNotifier::statusChanged);
}

// The notices of the service manager that started the program (systemd's, when there is one).
class ServiceManagerNotices : public ServerCompanion {
public:
    explicit ServiceManagerNotices(TimeService& service) { addStatusParts(m_notifier, service); }
    void ready() override { m_notifier.ready(); }
    void stopping() override { m_notifier.stopping(); }

private:
    ServiceNotifier m_notifier;
};

} // namespace

std::vector<std::unique_ptr<ServerCompanion>> makeServerCompanions(TimeService& service) {
    std::vector<std::unique_ptr<ServerCompanion>> companions;
    companions.push_back(std::make_unique<ServiceManagerNotices>(service));
    return companions;
}
