#include "faults.h"

#include "text.h"

namespace zel::sim::detail {

bool FaultRules::fires(Op op, std::string_view subject) {
    bool fail = false;
    for (Rule& rule : rules_) {
        const Fault& f = rule.fault;
        if (f.op != Op::any && f.op != op) continue;
        if (!f.subject.empty() && !containsNoCase(subject, f.subject)) continue;
        const std::uint64_t n = ++rule.matched;
        if (n > f.skip && (f.times == 0 || n - f.skip <= f.times)) fail = true;
    }
    return fail;
}

} // namespace zel::sim::detail
