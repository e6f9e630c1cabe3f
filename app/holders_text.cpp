// The wording of a failed removal's findings.
#include "holders_text.h"

#include "res/resource_ids.h"

namespace zel::app {
namespace {

// `pattern` with its first `marker` replaced by `value`; texts come from the resource
// libraries, so they are never used as a format string.
std::string fillIn(std::string pattern, std::string_view marker, const std::string& value) {
    const std::size_t at = pattern.find(marker);
    if (at == std::string::npos) return pattern.empty() ? value : pattern + ' ' + value;
    return pattern.replace(at, marker.size(), value);
}

} // namespace

std::string DescribeHolders(const std::vector<platform::FileHolder>& holders, std::string_view more,
                            std::size_t named) {
    std::string out;
    const std::size_t shown = holders.size() < named ? holders.size() : named;
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) out += ", ";
        out += holders[i].image + " (" + std::to_string(holders[i].processId) + ")";
    }
    if (holders.size() > shown) out += ", " + fillIn(std::string(more), "%u", std::to_string(holders.size() - shown));
    return out;
}

std::string RemovalFailureText(const RemovalFailure& failure, const std::function<std::string(std::uint32_t)>& text) {
    std::string message = text(IDS_REMOVE_FAILED);
    const auto paragraph = [&](const std::string& line) {
        if (!line.empty()) message += "\n\n" + line;
    };
    if (failure.holdersAsked) {
        const platform::HolderReport& report = failure.holders;
        if (report.status == platform::HolderSearch::found && !report.holders.empty())
            paragraph(fillIn(text(IDS_REMOVE_HELD_BY), "%s", DescribeHolders(report.holders, text(IDS_HOLDERS_MORE))));
        else if (report.status == platform::HolderSearch::noRights)
            paragraph(text(IDS_HOLDERS_NO_RIGHTS));
    }
    if (failure.restartNeeded) paragraph(text(IDS_REMOVE_AT_RESTART));
    return message;
}

} // namespace zel::app
