#include "ConsoleWindowFixture.h"

#include "FontSubstitutes.h"
#include "support/EventLoop.h"

#include <QApplication>

using testing_support::waitUntil;

void ConsoleWindowFixture::SetUp() {
    installFontSubstitutes();
    TimeService::Setup serviceSetup;
    serviceSetup.port = 0;
    serviceSetup.localAddress = [] { return std::string(kAddress); };
    service = std::make_unique<TimeService>(serviceSetup);
    frmMain::Setup setup;
    setup.trayIcon = tray;
    setup.askYesNo = [this](const QString& title, const QString& text) {
        questions.emplace_back(title, text);
        return answer;
    };
    form = std::make_unique<frmMain>(*service, std::move(setup));
    service->start();
    form->Form_Load();
}

void ConsoleWindowFixture::TearDown() {
    form.reset();
    service.reset();
}

void ConsoleWindowFixture::showActive() {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(waitUntil([this] { return QApplication::activeWindow() == form.get(); }));
}

void ConsoleWindowFixture::minimize() {
    form->setWindowState(form->windowState() | Qt::WindowMinimized);
}
