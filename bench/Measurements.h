#pragma once

#include "ProcessMeter.h"
#include "RunSummary.h"

#include <chrono>
#include <string>
#include <vector>

// How much a run measures; a run takes about (62 + 20 + 10 + 82) s per round plus a minute.
struct BenchPlan {
    int rounds = 3;
    int stationsOneAfterAnother = 300;
    int stationsAtOnce = 100;
    std::chrono::milliseconds idleWindow{10'000};
    int startupSamples = 5;
    int windowStartupSamples = 3;
    int blackholedStartupSamples = 3;
    double replyBoundMs = 105;
    int statusSamples = 20; // quillet --status runs against 4,096 known stations, as text and as JSON
    // Quillet.exe under Wine: one round of the same stations, to keep the run's extra time small.
    int wineRounds = 1;
    int wineStartupSamples = 3;
};

// Where the programs of a run are.
struct BenchPaths {
    std::string quillet;
    std::string reference;
    std::string quilletWithoutClockChecks;
    std::string quilletWithStations;
    std::string windowsFolder;  // the Windows program folder, Quillet.exe and its DLLs (make windows)
    std::string privateNetwork; // runs a command in a fresh loopback-only network namespace
    std::string self;           // this program, for the start-up probe in such a namespace
    std::string logDirectory;
};

// One entry a round for each server.
struct ServerResults {
    std::vector<SequentialSummary> oneAfterAnother;
    std::vector<BurstSummary> allAtOnce;
};

// The Windows build run under Wine, with its window on a virtual display, as Windows runs it.
struct WineResults {
    std::string skipped; // why there are no figures (missing, or what failed), or empty
    ServerResults quillet;
    std::vector<double> startUpMs;
    std::vector<double> residentAtStartUpMiB; // at the moment its port accepted
    IdleCost idleBeforeFirstRequest;          // the same window as the Linux program's
    double residentAfterStartUpMiB = 0;       // at the end of that window, as for the Linux program
    double residentAfterRoundsMiB = 0;
    int requestsServed = 0;
    int requestsLogged = 0;
    int startUpFailures = 0;
    double bootSeconds = 0; // wineboot -i of the fresh prefix
    double seconds = 0;     // all the Wine rows together, from the boot to the last station
};

struct Measurements {
    ServerResults quillet;
    ServerResults reference;
    IdleCost idleBeforeFirstRequest;
    IdleCost idleWithoutClockChecks; // the same window, before the first request
    std::vector<IdleCost> idleAfterRounds;
    double residentAfterStartUpMiB = 0; // headless, as every server here runs unless told
    std::vector<double> residentAfterRoundsMiB;
    std::vector<int> requestsAfterRounds; // stations quillet had served by the end of each round
    int requestsQuilletLogged = 0;
    long listenOverflowsDuringQuilletRuns = 0; // the kernel's count, over all rounds
    std::vector<double> startUpOfflineMs;
    std::vector<double> startUpWithWindowMs;
    std::vector<double> residentWithWindowMiB; // at the moment its port accepted
    std::vector<double> startUpBlackholedMs;
    int startUpFailures = 0;

    // The server that knows 4,096 stations before the first asks: the same rounds of stations.
    ServerResults withStations;
    std::vector<double> statusTextMs;
    std::vector<double> statusJsonMs;
    int statusFailures = 0;
    double tableResidentKiB = 0; // what filling its table cost in resident memory, as it reports
    std::string statusStations;  // the last quillet --status: "4096 stations, 1040 silent"
    int stationsNamedSilent = 0; // in its log, while it ran

    WineResults wine;
};
