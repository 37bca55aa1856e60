#include "Report.h"

#include "ResultTable.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>

namespace {

enum class Bound { AtMost, Below, AtLeast };

struct Target {
    Bound bound;
    double limit;
};

std::string formatNumber(double value) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(value >= 10 ? 1 : (value >= 1 ? 2 : 3));
    text << value;
    return text.str();
}

std::string formatSpread(const std::vector<double>& samples) {
    if (samples.empty()) {
        return "-";
    }
    const Spread spread = spreadOf(samples);
    if (spread.count == 1) {
        return formatNumber(spread.median);
    }
    return formatNumber(spread.median) + " [" + formatNumber(spread.min) + "-" + formatNumber(spread.max) + "]";
}

bool meets(Target target, double value) {
    switch (target.bound) {
    case Bound::AtMost: return value <= target.limit;
    case Bound::Below: return value < target.limit;
    case Bound::AtLeast: return value >= target.limit;
    }
    return false;
}

std::string targetText(Target target) {
    const char* relation = target.bound == Bound::AtMost ? "<= " : (target.bound == Bound::Below ? "< " : ">= ");
    return relation + formatNumber(target.limit);
}

// Judged on the median; the count says in how many runs the figure alone met the target.
std::string verdict(Target target, const std::vector<double>& samples) {
    if (samples.empty()) {
        return "no data";
    }
    const std::string word = meets(target, spreadOf(samples).median) ? "met" : "MISSED";
    if (samples.size() == 1) {
        return word;
    }
    const auto met = std::ranges::count_if(samples, [target](double value) { return meets(target, value); });
    return word + " (" + std::to_string(met) + "/" + std::to_string(samples.size()) + " runs)";
}

void addFigure(ResultTable& table, const std::string& label, const std::vector<double>& quillet,
               const std::vector<double>& reference, std::optional<Target> target = std::nullopt) {
    table.addRow({label, formatSpread(quillet), formatSpread(reference), target ? targetText(*target) : "",
                  target ? verdict(*target, quillet) : ""});
}

template <typename Summary>
std::vector<double> samplesOf(const std::vector<Summary>& rounds, const std::function<double(const Summary&)>& figure) {
    std::vector<double> samples;
    std::ranges::transform(rounds, std::back_inserter(samples), figure);
    return samples;
}

void addPercentileRows(ResultTable& table, const Measurements& measurements, const std::string& figure,
                       Percentiles SequentialSummary::*which, Target p99Target) {
    const std::vector<std::pair<std::string, double Percentiles::*>> ranks = {
        {"p50", &Percentiles::p50}, {"p95", &Percentiles::p95}, {"p99", &Percentiles::p99}, {"max", &Percentiles::max}};
    for (const auto& [name, rank] : ranks) {
        const std::function<double(const SequentialSummary&)> value = [&](const SequentialSummary& summary) {
            return summary.*which.*rank;
        };
        addFigure(table, figure + " " + name + " (ms)", samplesOf(measurements.quillet.oneAfterAnother, value),
                  samplesOf(measurements.reference.oneAfterAnother, value),
                  name == "p99" ? std::optional<Target>(p99Target) : std::nullopt);
    }
}

void addOneAfterAnotherRows(ResultTable& table, const BenchPlan& plan, const Measurements& measurements) {
    table.addSection(std::to_string(plan.stationsOneAfterAnother) + " stations one after another");
    addPercentileRows(table, measurements, "reply latency", &SequentialSummary::replyMs,
                      {Bound::AtMost, plan.replyBoundMs});
    const std::function<double(const SequentialSummary&)> within = &SequentialSummary::shareWithinBound;
    addFigure(table, "replies within " + formatNumber(plan.replyBoundMs) + " ms (%)",
              samplesOf(measurements.quillet.oneAfterAnother, within),
              samplesOf(measurements.reference.oneAfterAnother, within));
    addPercentileRows(table, measurements, "cycle time", &SequentialSummary::cycleMs, {Bound::AtMost, 230});
    const std::function<double(const SequentialSummary&)> attempts = [](const SequentialSummary& summary) {
        return summary.totals.attemptsPerStation;
    };
    addFigure(table, "connect attempts per station", samplesOf(measurements.quillet.oneAfterAnother, attempts),
              samplesOf(measurements.reference.oneAfterAnother, attempts));
}

void addAllAtOnceRows(ResultTable& table, const BenchPlan& plan, const Measurements& measurements) {
    table.addSection(std::to_string(plan.stationsAtOnce) + " stations at once (design limit 5 stations/s)");
    const std::function<double(const BurstSummary&)> seconds = &BurstSummary::seconds;
    const std::function<double(const BurstSummary&)> perSecond = &BurstSummary::perSecond;
    const std::function<double(const BurstSummary&)> attempts = [](const BurstSummary& summary) {
        return summary.totals.attemptsPerStation;
    };
    const ServerResults& quillet = measurements.quillet;
    const ServerResults& reference = measurements.reference;
    addFigure(table, "all served after (s)", samplesOf(quillet.allAtOnce, seconds),
              samplesOf(reference.allAtOnce, seconds));
    addFigure(table, "stations served per second", samplesOf(quillet.allAtOnce, perSecond),
              samplesOf(reference.allAtOnce, perSecond), Target{Bound::AtLeast, 4.5});
    addFigure(table, "connect attempts per station", samplesOf(quillet.allAtOnce, attempts),
              samplesOf(reference.allAtOnce, attempts));
}

void addIdleRows(ResultTable& table, const BenchPlan& plan, const Measurements& measurements) {
    table.addSection("idle quillet, " + formatNumber(static_cast<double>(plan.idleWindow.count()) / 1000.0) +
                     " s windows (before the first request: one; after it: one a round)");
    const IdleCost& before = measurements.idleBeforeFirstRequest;
    std::vector<double> cpuAfter;
    std::vector<double> wakeupsAfter;
    for (const IdleCost& cost : measurements.idleAfterRounds) {
        cpuAfter.push_back(cost.cpuPercentOfOneCore);
        wakeupsAfter.push_back(cost.wakeupsPerSecond);
    }
    const IdleCost& unchecked = measurements.idleWithoutClockChecks;
    addFigure(table, "CPU before first request (% of a core)", {before.cpuPercentOfOneCore}, {},
              Target{Bound::Below, 0.1});
    addFigure(table, "  the same without clock checks", {unchecked.cpuPercentOfOneCore}, {});
    addFigure(table, "CPU after first request (% of a core)", cpuAfter, {}, Target{Bound::Below, 1});
    addFigure(table, "wake-ups/s before first request", {before.wakeupsPerSecond}, {});
    addFigure(table, "  the same without clock checks", {unchecked.wakeupsPerSecond}, {});
    addFigure(table, "wake-ups/s after first request", wakeupsAfter, {});
}

void addMemoryRows(ResultTable& table, const Measurements& measurements) {
    table.addSection("quillet resident memory, headless (as a service runs it)");
    addFigure(table, "after start-up (MiB)", {measurements.residentAfterStartUpMiB}, {});
    if (!measurements.residentAfterRoundsMiB.empty()) {
        addFigure(table, "after " + std::to_string(measurements.requestsAfterRounds.back()) + " requests (MiB)",
                  {measurements.residentAfterRoundsMiB.back()}, {}, Target{Bound::AtMost, 20});
    }
    addFigure(table, "with its window, offscreen, at start-up (MiB)", measurements.residentWithWindowMiB, {});
}

// The figures to hold with a full table of stations: the reply and the burst as without it.
void addWithStationsRows(ResultTable& table, const BenchPlan& plan, const Measurements& measurements) {
    table.addSection("quillet knowing 4,096 stations (" + std::to_string(plan.rounds) + " rounds; quillet --status " +
                     std::to_string(plan.statusSamples) + " times each)");
    const ServerResults& results = measurements.withStations;
    const std::function<double(const SequentialSummary&)> p50 = [](const SequentialSummary& summary) {
        return summary.replyMs.p50;
    };
    const std::function<double(const SequentialSummary&)> p99 = [](const SequentialSummary& summary) {
        return summary.replyMs.p99;
    };
    const std::function<double(const BurstSummary&)> perSecond = &BurstSummary::perSecond;
    addFigure(table, "reply latency p50 (ms)", samplesOf(results.oneAfterAnother, p50), {});
    addFigure(table, "reply latency p99 (ms)", samplesOf(results.oneAfterAnother, p99), {}, Target{Bound::AtMost, 103});
    addFigure(table, "stations served per second, 100 at once", samplesOf(results.allAtOnce, perSecond), {},
              Target{Bound::AtLeast, 4.85});
    addFigure(table, "quillet --status (ms)", measurements.statusTextMs, {}, Target{Bound::Below, 50});
    addFigure(table, "quillet --status --json (ms)", measurements.statusJsonMs, {}, Target{Bound::Below, 50});
    addFigure(table, "the table's resident memory (MiB)", {measurements.tableResidentKiB / 1024.0}, {},
              Target{Bound::AtMost, 2});
}

void addStartUpRows(ResultTable& table, const Measurements& measurements) {
    table.addSection("quillet start-up, exec to port accepting");
    addFigure(table, "headless, no network (ms)", measurements.startUpOfflineMs, {}, Target{Bound::Below, 500});
    addFigure(table, "with its window, offscreen, no network (ms)", measurements.startUpWithWindowMs, {});
    addFigure(table, "look-up host black-holed (ms)", measurements.startUpBlackholedMs, {});
}

// The Windows build beside the Linux program of the same run. Its window is always there, so
// its start-up and its memory at start-up stand beside the Linux program with its window.
void printWineTable(std::ostream& out, const BenchPlan& plan, const Measurements& measurements) {
    const WineResults& wine = measurements.wine;
    ResultTable table({"figure", "Quillet.exe under Wine", "quillet on Linux", "target", "verdict"});
    table.addSection(std::to_string(plan.stationsOneAfterAnother) + " stations one after another, " +
                     std::to_string(plan.stationsAtOnce) + " at once (" + std::to_string(plan.wineRounds) +
                     (plan.wineRounds == 1 ? " round" : " rounds") + " under Wine; " + std::to_string(plan.rounds) +
                     " on Linux)");
    const std::vector<std::pair<std::string, double Percentiles::*>> ranks = {
        {"p50", &Percentiles::p50}, {"p99", &Percentiles::p99}, {"max", &Percentiles::max}};
    for (const auto& [name, rank] : ranks) {
        const std::function<double(const SequentialSummary&)> value = [&](const SequentialSummary& summary) {
            return summary.replyMs.*rank;
        };
        addFigure(table, "reply latency " + name + " (ms)", samplesOf(wine.quillet.oneAfterAnother, value),
                  samplesOf(measurements.quillet.oneAfterAnother, value),
                  name == "p99" ? std::optional<Target>(Target{Bound::AtMost, 103}) : std::nullopt);
    }
    const std::function<double(const BurstSummary&)> perSecond = &BurstSummary::perSecond;
    addFigure(table, "stations served per second, all at once", samplesOf(wine.quillet.allAtOnce, perSecond),
              samplesOf(measurements.quillet.allAtOnce, perSecond), Target{Bound::AtLeast, 4.85});
    table.addSection("start-up, exec to port accepting, no network (Linux: with its window, offscreen)");
    addFigure(table, "start-up (ms)", wine.startUpMs, measurements.startUpWithWindowMs);
    table.addSection("idle before the first request, " +
                     formatNumber(static_cast<double>(plan.idleWindow.count()) / 1000.0) + " s (Linux: headless)");
    addFigure(table, "CPU (% of a core)", {wine.idleBeforeFirstRequest.cpuPercentOfOneCore},
              {measurements.idleBeforeFirstRequest.cpuPercentOfOneCore});
    addFigure(table, "wake-ups/s", {wine.idleBeforeFirstRequest.wakeupsPerSecond},
              {measurements.idleBeforeFirstRequest.wakeupsPerSecond});
    table.addSection("resident memory (Wine: VmRSS of the Quillet.exe process alone)");
    addFigure(table, "when its port first accepted (Linux: with its window) (MiB)", wine.residentAtStartUpMiB,
              measurements.residentWithWindowMiB);
    addFigure(table, "after start-up, at the end of the idle window (Linux: headless) (MiB)",
              {wine.residentAfterStartUpMiB}, {measurements.residentAfterStartUpMiB});
    if (!measurements.residentAfterRoundsMiB.empty()) {
        addFigure(table,
                  "after " + std::to_string(wine.requestsServed) + " requests (Linux: headless, " +
                      std::to_string(measurements.requestsAfterRounds.back()) + ") (MiB)",
                  {wine.residentAfterRoundsMiB}, {measurements.residentAfterRoundsMiB.back()});
    }
    out << "\nThe Windows build, Quillet.exe, under Wine on a virtual X display, beside the Linux program of this "
           "run:\n\n";
    table.print(out);
}

std::string outcomesText(const std::vector<StationTotals>& runs) {
    // In the order of Attempt; a kind of outcome added there without a name here fails to compile.
    static constexpr const char* names[] = {
        "served", "refused", "reset", "empty", "short", "hung in connect", "hung awaiting the reply", "failed"};
    static_assert(std::size(names) == static_cast<std::size_t>(Attempt::kCount));
    std::string text;
    for (std::size_t kind = 0; kind < std::size(names); ++kind) {
        int count = 0;
        for (const StationTotals& totals : runs) {
            count += totals.outcomes[kind];
        }
        text += (kind == 0 ? "" : ", ") + std::to_string(count) + " " + names[kind];
    }
    return text;
}

template <typename Summary> std::vector<StationTotals> totalsOf(const std::vector<Summary>& rounds) {
    std::vector<StationTotals> totals;
    for (const Summary& summary : rounds) {
        totals.push_back(summary.totals);
    }
    return totals;
}

int sumOf(const std::vector<StationTotals>& runs, int StationTotals::*field) {
    int sum = 0;
    for (const StationTotals& totals : runs) {
        sum += totals.*field;
    }
    return sum;
}

void printStationNotes(std::ostream& out, const Measurements& measurements) {
    std::vector<StationTotals> all = totalsOf(measurements.quillet.oneAfterAnother);
    const std::vector<StationTotals> burst = totalsOf(measurements.quillet.allAtOnce);
    out << "Connect attempts on quillet, one after another: " << outcomesText(all) << ".\n";
    out << "Connect attempts on quillet, all at once: " << outcomesText(burst) << ".\n";
    all.insert(all.end(), burst.begin(), burst.end());
    out << "Stations never served: " << sumOf(all, &StationTotals::stations) - sumOf(all, &StationTotals::served)
        << "; replies that were not 12 digits of a date and time: " << sumOf(all, &StationTotals::badReplies)
        << "; quillet logged " << measurements.requestsQuilletLogged << " requests for "
        << sumOf(all, &StationTotals::served) << " served stations; the kernel counted "
        << measurements.listenOverflowsDuringQuilletRuns << " listen-queue overflows on quillet's port.\n";
}

void printRunNotes(std::ostream& out, const Measurements& measurements, const RunContext& context) {
    out << "Resident memory after each round:";
    for (std::size_t round = 0; round < measurements.residentAfterRoundsMiB.size(); ++round) {
        out << " " << formatNumber(measurements.residentAfterRoundsMiB[round]) << " MiB after "
            << measurements.requestsAfterRounds[round] << " requests;";
    }
    out << " start-up probes that failed: " << measurements.startUpFailures << ".\n";
    out << "With 4,096 stations known: the last quillet --status said \"" << measurements.statusStations << "\"; "
        << measurements.statusFailures << " quillet --status runs failed; the server named "
        << measurements.stationsNamedSilent << " stations silent while it ran.\n";
    const MachineInfo& machine = context.machine;
    out << "Machine: " << machine.cpuModel << ", " << machine.cores << " cores, " << formatNumber(machine.memoryGiB)
        << " GiB, " << machine.kernel << ".\n";
    out << "All CPUs were " << formatNumber(context.machineBusyPercent)
        << "% busy during the run (every process, this benchmark included); load average " << context.loadBefore
        << " before, " << context.loadAfter << " after. The run took " << formatNumber(context.seconds) << " s.\n";
}

} // namespace

void printReport(std::ostream& out, const BenchPlan& plan, const Measurements& measurements,
                 const RunContext& context) {
    ResultTable table({"figure", "quillet", "reference", "target", "verdict"});
    addOneAfterAnotherRows(table, plan, measurements);
    addAllAtOnceRows(table, plan, measurements);
    addIdleRows(table, plan, measurements);
    addMemoryRows(table, measurements);
    addStartUpRows(table, measurements);
    addWithStationsRows(table, plan, measurements);
    out << "Each cell: median [min-max] over the runs (" << plan.rounds << " rounds of stations and idle; "
        << plan.startupSamples << " and " << plan.blackholedStartupSamples
        << " start-ups); a single figure where there was one sample.\n\n";
    table.print(out);
    out << '\n';
    printStationNotes(out, measurements);
    printRunNotes(out, measurements, context);
    const WineResults& wine = measurements.wine;
    if (!wine.skipped.empty()) {
        out << "\nQuillet.exe under Wine: skipped: " << wine.skipped << ".\n";
        return;
    }
    printWineTable(out, plan, measurements);
    out << '\n';
    const std::vector<StationTotals> sequential = totalsOf(wine.quillet.oneAfterAnother);
    const std::vector<StationTotals> burst = totalsOf(wine.quillet.allAtOnce);
    out << "Connect attempts on Quillet.exe, one after another: " << outcomesText(sequential) << ".\n";
    out << "Connect attempts on Quillet.exe, all at once: " << outcomesText(burst) << ".\n";
    out << "Quillet.exe logged " << wine.requestsLogged << " requests for " << wine.requestsServed
        << " served stations; start-up probes that failed: " << wine.startUpFailures << ".\n";
    out << "Its memory is the Linux process Wine runs it in: the program, the Qt and Wine DLLs it maps and Wine's "
           "own pages in it; wineserver and Wine's services, desktop and device processes are not counted.\n";
    out << "The Wine rows took " << formatNumber(wine.seconds) << " s of the run, of which "
        << formatNumber(wine.bootSeconds) << " s booting the fresh prefix.\n";
}
