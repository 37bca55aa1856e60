#pragma once

#include "Measurements.h"
#include "StartupProbe.h"

#include <string>

class ServerProcess;

// The whole run: start-up samples first, then one quillet and one reference server measured in
// rounds (stations one after another, stations all at once, then idle), then one round and
// quillet --status against a quillet that knows 4,096 stations; last, the Windows build under Wine.
class BenchRun {
public:
    static constexpr std::uint16_t kQuilletPort = 10325;
    static constexpr std::uint16_t kReferencePort = 10326;

    BenchRun(BenchPlan plan, BenchPaths paths) : m_plan(plan), m_paths(std::move(paths)) {}
    Measurements run();

private:
    void measureStartUps();
    std::vector<StartUp> startUpSamples(const std::string& mode, int count, bool window = false);
    void measureRounds();
    void measureFirstIdle(ServerProcess& quillet);
    void measureIdleWithoutClockChecks();
    void runRound(int round, ServerProcess& quillet);
    void measureWithStations();
    void measureStatus(const std::string& option, std::vector<double>& samples);
    void measureUnderWine();
    void measureWineRows(const std::string& program);
    void runWineRounds(const std::string& program);
    void runStations(std::uint16_t port, const std::string& runName, ServerResults& results) const;
    std::string logPath(const std::string& name) const;

    BenchPlan m_plan;
    BenchPaths m_paths;
    Measurements m_measurements;
};
