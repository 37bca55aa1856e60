// The server as it was before it watched its clock, for the idle cost side by side: the same
// headless service, with no step timer and the 10 s checks stopped after the start-up line.
#include "ClockHealth.h"
#include "ClockWatch.h"
#include "ErrorText.h"
#include "TimeService.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

class NoClockHealth : public ClockHealth {
public:
    ClockReading read() override { return {}; }
    void setStepHandler(StepHandler) override {}
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    TimeService::Setup setup;
    setup.clockHealth = std::make_shared<NoClockHealth>();
    TimeService service(setup);
    QObject::connect(&service.log(), &ActivityLog::lineWritten, [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    });
    try {
        service.start();
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(describeError(error)));
        return 1;
    }
    service.clockWatch().stop();
    return QCoreApplication::exec();
}
