#pragma once
// The fault sweep: runs one whole operation on the simulated PC once with nothing
// failing, to learn how many platform calls it makes, then once per call with exactly
// that call failing, once per call with every call from it on failing, and once with
// every call failing from the start. The operation checks its own outcome after every run.

#include <zel/sim/call_log.h>
#include <zel/sim/machine.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::test {

inline bool containsNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) return false;
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < part.size() && std::tolower(static_cast<unsigned char>(text[at + i])) ==
                                      std::tolower(static_cast<unsigned char>(part[i])))
            ++i;
        if (i == part.size()) return true;
    }
    return false;
}

// Which calls one run makes fail, and what the run's calls were.
class Injection {
public:
    static Injection none() { return Injection(std::nullopt, "no fault"); }
    static Injection at(std::uint32_t index) {
        return Injection(sim::Fault{sim::Op::any, "", index, 1}, "call " + std::to_string(index) + " fails");
    }
    static Injection from(std::uint32_t index) {
        return Injection(sim::Fault{sim::Op::any, "", index, 0}, "calls from " + std::to_string(index) + " on fail");
    }
    static Injection always() { return Injection(sim::Fault{sim::Op::any, "", 0, 0}, "every call fails"); }

    // Starts the faults and the log; the operation calls it once its own setup is done.
    void arm() const {
        sim::clearFaults();
        sim::startCallLog();
        if (fault_) sim::addFault(*fault_);
    }
    // Stops both; the operation calls it before it checks its outcome.
    void disarm() {
        sim::clearFaults();
        sim::stopCallLog();
        log_ = sim::callLog();
    }
    const std::string& label() const { return label_; }
    const std::vector<sim::LoggedCall>& log() const { return log_; }

    std::size_t failedCount() const {
        std::size_t n = 0;
        for (const sim::LoggedCall& call : log_) n += call.failed;
        return n;
    }
    // Whether a call of `op` whose subject contains `subject` failed, or went through.
    bool failed(sim::Op op, std::string_view subject = {}) const { return any(op, subject, true); }
    bool succeeded(sim::Op op, std::string_view subject = {}) const { return any(op, subject, false); }
    // Whether string `id` of a library failed to load: its subject is "<file>|<id>".
    bool stringFailed(std::uint32_t id) const {
        const std::string tail = "|" + std::to_string(id);
        for (const sim::LoggedCall& call : log_)
            if (call.failed && call.op == sim::Op::loadString && call.subject.size() >= tail.size() &&
                call.subject.compare(call.subject.size() - tail.size(), tail.size(), tail) == 0)
                return true;
        return false;
    }

private:
    bool any(sim::Op op, std::string_view subject, bool failed) const {
        for (const sim::LoggedCall& call : log_)
            if (call.failed == failed && call.op == op && containsNoCase(call.subject, subject)) return true;
        return false;
    }

    Injection(std::optional<sim::Fault> fault, std::string label) : fault_(std::move(fault)), label_(std::move(label)) {}

    std::optional<sim::Fault> fault_;
    std::string label_;
    std::vector<sim::LoggedCall> log_;
};

// Failures reported by the running test so far.
inline int reportedProblems() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return test != nullptr ? test->result()->total_part_count() : 0;
}

struct SweepTally {
    std::size_t calls = 0;            // platform calls of the run with nothing failing
    std::size_t runs = 0;             // runs in all, that one included
    std::size_t runsWithFailure = 0;  // runs in which at least one call failed
    std::uint64_t failedCalls = 0;    // calls made to fail, over all runs
};

// Runs `operation(Injection&)` as described at the top. It must arm the injection after its
// setup and disarm it before its checks. The sweep stops after a few runs that found
// faults, so that one fault does not report itself a thousand times.
template <class Operation>
SweepTally sweep(const char* name, Operation&& operation) {
    SweepTally tally;
    const auto runOne = [&](Injection injection) {
        SCOPED_TRACE(std::string(name) + ": " + injection.label());
        operation(injection);
        ++tally.runs;
        tally.runsWithFailure += injection.failedCount() != 0;
        tally.failedCalls += injection.failedCount();
        return injection;
    };
    const Injection clean = runOne(Injection::none());
    tally.calls = clean.log().size();
    EXPECT_GT(tally.calls, 0u) << name << " makes no platform call";

    int failingRuns = 0;
    const auto runAt = [&](std::uint32_t k, Injection injection) {
        const int before = reportedProblems();
        const Injection run = runOne(std::move(injection));
        if (reportedProblems() == before) return;
        ++failingRuns;
        if (k < run.log().size())
            ADD_FAILURE() << name << ": the run above failed call " << k << ", " << sim::opName(run.log()[k].op)
                          << " \"" << run.log()[k].subject << "\"";
    };
    for (std::uint32_t k = 0; k < tally.calls && failingRuns < 3; ++k) runAt(k, Injection::at(k));
    // A failure that lasts: the platform stops answering part-way through.
    for (std::uint32_t k = 1; k < tally.calls && failingRuns < 3; ++k) runAt(k, Injection::from(k));
    runOne(Injection::always());

    std::printf("[ sweep    ] %s: %zu calls, %zu runs, %zu with a failed call, %llu calls failed\n", name,
                tally.calls, tally.runs, tally.runsWithFailure, static_cast<unsigned long long>(tally.failedCalls));
    const std::string key(name);
    ::testing::Test::RecordProperty(key + "_calls", std::to_string(tally.calls));
    ::testing::Test::RecordProperty(key + "_runs", std::to_string(tally.runs));
    ::testing::Test::RecordProperty(key + "_failed_calls", std::to_string(tally.failedCalls));
    return tally;
}

} // namespace zel::test
