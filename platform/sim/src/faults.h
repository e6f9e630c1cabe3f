#pragma once
// The fault rules in force: which platform calls fail.

#include <zel/sim/machine.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace zel::sim::detail {

class FaultRules {
public:
    void add(Fault fault) { rules_.push_back({std::move(fault), 0}); }
    void clear() { rules_.clear(); }
    bool empty() const { return rules_.empty(); }
    // Called once per platform call: every matching rule counts the call, and the call
    // fails when any of them is past its `skip` and within its `times`.
    bool fires(Op op, std::string_view subject);

private:
    struct Rule {
        Fault fault;
        std::uint64_t matched;
    };
    std::vector<Rule> rules_;
};

} // namespace zel::sim::detail
