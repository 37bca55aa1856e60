#include "ConsoleWindowFixture.h"

#include "FontSubstitutes.h"
#include "support/EventLoop.h"

#include <QApplication>

using testing_support::waitUntil;

void ConsoleWindowFixture::SetUp() {
    installFontSubstitutes();
    frmMain::Setup setup;
    setup.port = 0;
    setup.localAddress = [] { return std::string(kAddress); };
    setup.trayIcon = tray;
    setup.askYesNo = [this](const QString& title, const QString& text) {
        questions.emplace_back(title, text);
        return answer;
    };
    form = std::make_unique<frmMain>(std::move(setup));
    form->Form_Load();
}

void ConsoleWindowFixture::TearDown() {
    form.reset();
}

void ConsoleWindowFixture::showActive() {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(waitUntil([this] { return QApplication::activeWindow() == form.get(); }));
}

void ConsoleWindowFixture::minimize() {
    form->setWindowState(form->windowState() | Qt::WindowMinimized);
}
