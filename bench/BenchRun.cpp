#include "BenchRun.h"

#include "KernelCounters.h"
#include "Loopback.h"
#include "RecordFile.h"
#include "ServerProcess.h"
#include "StartupProbe.h"
#include "StationRunner.h"
#include "TimedCommand.h"
#include "WineDesktop.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

constexpr std::chrono::seconds kStartUpLimit{20};
// Wine starts a process in seconds, and far slower on a busy machine.
constexpr std::chrono::seconds kWineStartUpLimit{120};

void progress(const std::string& text) {
    std::cerr << "bench: " << text << std::endl;
}

std::string secondsText(std::chrono::milliseconds duration) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(duration).count()) + " s";
}

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

int servedByQuillet(const ServerResults& results) {
    int served = 0;
    for (const SequentialSummary& summary : results.oneAfterAnother) {
        served += summary.totals.served;
    }
    for (const BurstSummary& summary : results.allAtOnce) {
        served += summary.totals.served;
    }
    return served;
}

// Whether the process runs the program: its command line names it.
bool runsProgram(pid_t pid, const std::string& name) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string commandLine((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return commandLine.find(name) != std::string::npos;
}

void waitUntilAccepting(std::uint16_t port) {
    const TimePoint giveUpAt = Clock::now() + kStartUpLimit;
    while (!acceptsConnections(port)) {
        if (Clock::now() > giveUpAt) {
            throw std::runtime_error("the reference server does not accept connections");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

Measurements BenchRun::run() {
    std::filesystem::create_directories(m_paths.logDirectory);
    measureStartUps();
    measureIdleWithoutClockChecks();
    measureRounds();
    measureWithStations();
    measureUnderWine();
    return m_measurements;
}

std::string BenchRun::logPath(const std::string& name) const {
    return m_paths.logDirectory + "/" + name + ".log";
}

void BenchRun::measureStartUps() {
    progress("start-up with no network, " + std::to_string(m_plan.startupSamples) + " samples");
    for (const StartUp& sample : startUpSamples("offline", m_plan.startupSamples)) {
        m_measurements.startUpOfflineMs.push_back(sample.milliseconds);
    }
    progress("start-up with a window on the offscreen platform, " + std::to_string(m_plan.windowStartupSamples) +
             " samples");
    for (const StartUp& sample : startUpSamples("offline", m_plan.windowStartupSamples, true)) {
        m_measurements.startUpWithWindowMs.push_back(sample.milliseconds);
        m_measurements.residentWithWindowMiB.push_back(sample.residentMiB);
    }
    progress("start-up with the look-up's host black-holed, " + std::to_string(m_plan.blackholedStartupSamples) +
             " samples of about 3 s");
    for (const StartUp& sample : startUpSamples("blackholed", m_plan.blackholedStartupSamples)) {
        m_measurements.startUpBlackholedMs.push_back(sample.milliseconds);
    }
}

// Each sample in a fresh namespace of its own, so no earlier sample's sockets linger.
std::vector<StartUp> BenchRun::startUpSamples(const std::string& mode, int count, bool window) {
    std::vector<StartUp> samples;
    for (int i = 0; i < count; ++i) {
        const std::string name = "startup-" + mode + (window ? "-window-" : "-") + std::to_string(i + 1);
        const std::string command = "'" + m_paths.privateNetwork + "' " + mode + " '" + m_paths.self +
                                    "' --startup-probe '" + logPath(name) + "'" + (window ? " --window" : "");
        if (const std::optional<StartUp> sample = measureStartupWith(command)) {
            samples.push_back(*sample);
        } else {
            ++m_measurements.startUpFailures;
        }
    }
    return samples;
}

// Before quillet itself starts, since both serve the same port.
void BenchRun::measureIdleWithoutClockChecks() {
    ServerProcess server(m_paths.quilletWithoutClockChecks, {}, logPath("quillet-without-clock-checks"));
    if (!server.waitForLogText("] Listening", kStartUpLimit)) {
        throw std::runtime_error("quillet without clock checks did not start listening; see " +
                                 logPath("quillet-without-clock-checks"));
    }
    progress("idle before the first request without the clock checks, " + secondsText(m_plan.idleWindow));
    m_measurements.idleWithoutClockChecks = ProcessMeter(server.pid()).measureIdle(m_plan.idleWindow);
}

void BenchRun::measureRounds() {
    ServerProcess reference(m_paths.reference, {std::to_string(kReferencePort)}, logPath("reference"));
    waitUntilAccepting(kReferencePort);
    ServerProcess quillet(m_paths.quillet, {}, logPath("quillet"));
    if (!quillet.waitForLogText("] Listening", kStartUpLimit)) {
        throw std::runtime_error("quillet did not start listening; see " + logPath("quillet"));
    }
    measureFirstIdle(quillet);
    for (int round = 1; round <= m_plan.rounds; ++round) {
        runRound(round, quillet);
    }
    m_measurements.requestsQuilletLogged = countOf(quillet.log(), "] RQST: [");
}

void BenchRun::measureFirstIdle(ServerProcess& quillet) {
    progress("idle before the first request, " + secondsText(m_plan.idleWindow));
    const ProcessMeter meter(quillet.pid());
    m_measurements.idleBeforeFirstRequest = meter.measureIdle(m_plan.idleWindow);
    m_measurements.residentAfterStartUpMiB = meter.residentMiB();
}

void BenchRun::runRound(int round, ServerProcess& quillet) {
    const std::string name = "round " + std::to_string(round) + "/" + std::to_string(m_plan.rounds);
    progress(name + ": stations one after another, then all at once, against quillet and the reference");
    const std::string suffix = "-round" + std::to_string(round);
    const long overflowsBefore = tcpExtensionCounter("ListenOverflows");
    runStations(kQuilletPort, "quillet" + suffix, m_measurements.quillet);
    m_measurements.listenOverflowsDuringQuilletRuns += tcpExtensionCounter("ListenOverflows") - overflowsBefore;
    runStations(kReferencePort, "reference" + suffix, m_measurements.reference);
    if (!quillet.running()) {
        throw std::runtime_error("quillet ended during the run; see " + logPath("quillet"));
    }
    progress(name + ": idle while ticking, " + secondsText(m_plan.idleWindow));
    const ProcessMeter meter(quillet.pid());
    m_measurements.idleAfterRounds.push_back(meter.measureIdle(m_plan.idleWindow));
    m_measurements.residentAfterRoundsMiB.push_back(meter.residentMiB());
    m_measurements.requestsAfterRounds.push_back(servedByQuillet(m_measurements.quillet));
}

// The same rounds of stations against a server that already knows 4,096, many of which go
// silent meanwhile; then quillet --status against it, as text and as JSON.
void BenchRun::measureWithStations() {
    ServerProcess server(m_paths.quilletWithStations, {}, logPath("quillet-with-stations"));
    if (!server.waitForLogText("] Listening", kStartUpLimit)) {
        throw std::runtime_error("quillet with stations did not start listening; see " +
                                 logPath("quillet-with-stations"));
    }
    const std::string log = server.log();
    const std::string costs = "the table costs ";
    if (const std::size_t at = log.find(costs); at != std::string::npos) {
        m_measurements.tableResidentKiB = std::stod(log.substr(at + costs.size()));
    }
    for (int round = 1; round <= m_plan.rounds; ++round) {
        progress("4,096 stations known, round " + std::to_string(round) + "/" + std::to_string(m_plan.rounds) +
                 ": stations one after another, then all at once");
        runStations(kQuilletPort, "quillet-with-stations-round" + std::to_string(round), m_measurements.withStations);
    }
    progress("4,096 stations known: quillet --status, " + std::to_string(m_plan.statusSamples) +
             " times as text and as JSON");
    measureStatus("", m_measurements.statusTextMs);
    measureStatus("--json", m_measurements.statusJsonMs);
    std::ifstream listed(m_paths.logDirectory + "/status.txt");
    for (std::string line; std::getline(listed, line);) {
        if (line.starts_with("Stations:")) {
            m_measurements.statusStations = line.substr(line.find_first_not_of(' ', 9));
        }
    }
    m_measurements.stationsNamedSilent = countOf(server.log(), "] Station ");
}

// Start-up samples, then one program for the rounds, all in one prefix booted for this run.
void BenchRun::measureUnderWine() {
    WineResults& wine = m_measurements.wine;
    const std::string program = m_paths.windowsFolder + "/Quillet.exe";
    if (!std::filesystem::exists(program)) {
        wine.skipped = program + " is missing (make windows builds it)";
    } else if (const std::string tool = WineDesktop::missingTool(); !tool.empty()) {
        wine.skipped = tool + " is missing (scripts/install-deps scripts/windows-packages installs it)";
    }
    if (!wine.skipped.empty()) {
        progress("Quillet.exe under Wine skipped: " + wine.skipped);
        return;
    }
    // A failure under Wine costs its rows only, not the figures of the run so far.
    try {
        measureWineRows(program);
    } catch (const std::exception& error) {
        wine = WineResults{};
        wine.skipped = error.what();
        progress("Quillet.exe under Wine failed: " + wine.skipped);
    }
}

void BenchRun::measureWineRows(const std::string& program) {
    WineResults& wine = m_measurements.wine;
    const TimePoint start = Clock::now();
    progress("Quillet.exe under Wine: booting a fresh Wine prefix");
    const WineDesktop desktop(m_paths.logDirectory);
    wine.bootSeconds = desktop.bootSeconds();
    progress("Quillet.exe under Wine: start-up, " + std::to_string(m_plan.wineStartupSamples) + " samples");
    for (int sample = 1; sample <= m_plan.wineStartupSamples; ++sample) {
        const std::optional<StartUp> measured = measureStartup(
            "wine", {program}, kQuilletPort, logPath("wine-startup-" + std::to_string(sample)), kWineStartUpLimit);
        if (measured) {
            wine.startUpMs.push_back(measured->milliseconds);
            wine.residentAtStartUpMiB.push_back(measured->residentMiB);
        } else {
            ++wine.startUpFailures;
        }
    }
    runWineRounds(program);
    wine.seconds = millisecondsBetween(start, Clock::now()) / 1000.0;
}

// The wine launcher execs Wine's loader, which runs the program in the same process: the pid
// spawned is the Quillet.exe process itself, whose memory is what /proc shows for it.
void BenchRun::runWineRounds(const std::string& program) {
    WineResults& wine = m_measurements.wine;
    ServerProcess quillet("wine", {program}, logPath("wine-quillet"));
    if (!quillet.waitForLogText("] Listening", kWineStartUpLimit)) {
        throw std::runtime_error("Quillet.exe did not start listening under Wine; see " + logPath("wine-quillet"));
    }
    if (!runsProgram(quillet.pid(), "Quillet.exe")) {
        throw std::runtime_error("the process started by wine is not Quillet.exe, so its memory would not be");
    }
    // Its window is still being drawn when the port first accepts; as for the Linux program,
    // its memory after start-up is taken at the end of a window of idle time.
    progress("Quillet.exe under Wine: idle before the first request, " + secondsText(m_plan.idleWindow));
    const ProcessMeter meter(quillet.pid());
    wine.idleBeforeFirstRequest = meter.measureIdle(m_plan.idleWindow);
    wine.residentAfterStartUpMiB = meter.residentMiB();
    for (int round = 1; round <= m_plan.wineRounds; ++round) {
        progress("Quillet.exe under Wine, round " + std::to_string(round) + "/" + std::to_string(m_plan.wineRounds) +
                 ": stations one after another, then all at once");
        runStations(kQuilletPort, "wine-quillet-round" + std::to_string(round), wine.quillet);
    }
    if (!quillet.running()) {
        throw std::runtime_error("Quillet.exe ended during the run; see " + logPath("wine-quillet"));
    }
    wine.residentAfterRoundsMiB = meter.residentMiB();
    wine.requestsServed = servedByQuillet(wine.quillet);
    wine.requestsLogged = countOf(quillet.log(), "] RQST: [");
}

void BenchRun::measureStatus(const std::string& option, std::vector<double>& samples) {
    const std::string output = m_paths.logDirectory + "/status" + option + ".txt";
    for (int sample = 0; sample < m_plan.statusSamples; ++sample) {
        std::vector<std::string> command{m_paths.quillet, "--status"};
        if (!option.empty()) {
            command.push_back(option);
        }
        if (const std::optional<double> milliseconds = timeCommand(command, output)) {
            samples.push_back(*milliseconds);
        } else {
            ++m_measurements.statusFailures;
        }
    }
}

void BenchRun::runStations(std::uint16_t port, const std::string& runName, ServerResults& results) const {
    const StationRunner runner(port);
    const std::vector<StationRecord> oneAfterAnother = runner.runOneAfterAnother(m_plan.stationsOneAfterAnother);
    writeRecords(m_paths.logDirectory + "/" + runName + "-one-after-another.csv", oneAfterAnother);
    results.oneAfterAnother.push_back(summarizeOneAfterAnother(oneAfterAnother, m_plan.replyBoundMs));
    const std::vector<StationRecord> allAtOnce = runner.runAllAtOnce(m_plan.stationsAtOnce);
    writeRecords(m_paths.logDirectory + "/" + runName + "-all-at-once.csv", allAtOnce);
    results.allAtOnce.push_back(summarizeAllAtOnce(allAtOnce));
}
