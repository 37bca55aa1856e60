// The server as it was before it watched its clock, for the idle cost side by side: the same
// window and service, with no step timer and the 10 s checks stopped after the start-up line.
#include "ClockHealth.h"
#include "ClockWatch.h"
#include "ErrorReport.h"
#include "frmMain.h"

#include <QApplication>

namespace {

class NoClockHealth : public ClockHealth {
public:
    ClockReading read() override { return {}; }
    void setStepHandler(StepHandler) override {}
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    TimeService::Setup setup;
    setup.clockHealth = std::make_shared<NoClockHealth>();
    TimeService service(setup);
    frmMain form(service);
    try {
        service.start();
    } catch (const RuntimeError& error) {
        reportError(error);
        return 1;
    }
    form.Form_Load();
    service.clockWatch().stop();
    form.show();
    return QApplication::exec();
}
