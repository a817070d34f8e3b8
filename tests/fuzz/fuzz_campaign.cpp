// Campaign file reader: any bytes as a campaign file. A refused file names a
// key or the syntax fault; an accepted one expands into the product of its
// axes, draws and repetitions, every case holding its swept values at their
// paths and the hash of its own content.
#include "campaign.h"

#include <string>

#include "fuzz/fuzz_support.h"

using namespace campaign;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Campaign c;
    // a base named by file is looked for under a folder that does not exist
    const std::string message = parse_campaign(text, "/nonexistent-kadmer-fuzz", c);
    if (!message.empty()) {
        FUZZ_CHECK(message.find(" : ") != std::string::npos ||
                   message.rfind("JSON illisible", 0) == 0 || message.rfind("campagne", 0) == 0);
        return 0;
    }
    size_t n = (size_t)std::max(c.drawCount, 1) * (size_t)c.repetitions;
    for (const Axis& a : c.axes) {
        FUZZ_CHECK(!a.values.empty());
        FUZZ_CHECK(a.labels.empty() || a.labels.size() == a.values.size());
        n *= a.values.size();
    }
    FUZZ_CHECK(n >= 1 && n <= 1000000);
    FUZZ_CHECK(c.timeLimit > 0);
    if (n > 2000)
        return 0;  // large campaigns are valid, but too slow to expand here
    std::vector<Case> cases = expand(c);
    FUZZ_CHECK(cases.size() == n);
    for (const Case& cs : cases) {
        FUZZ_CHECK(cs.axisValues.size() == c.axes.size());
        FUZZ_CHECK(cs.hash == content_hash(cs.scenario));
        for (size_t k = 0; k < c.axes.size(); ++k)
            if (c.axes[k].labels.empty() && !cs.axisValues[k].is_string())
                FUZZ_CHECK(cs.scenario.at(json::json_pointer(pointer_of(c.axes[k].path))) ==
                           cs.axisValues[k]);
    }
    return 0;
}
