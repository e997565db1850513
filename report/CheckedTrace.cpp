// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/CheckedTrace.h"

namespace marulo::report {

CheckedTrace CheckTrace(std::size_t traceSeconds, std::span<const ratecheck::SecondCheck> checks) {
    using ratecheck::Quality;
    CheckedTrace checked;
    checked.rates.assign(traceSeconds, 0);
    checked.marks = ratecheck::MarksFor(traceSeconds, checks);
    for (std::size_t second = 0; second < traceSeconds; ++second) {
        const Quality quality = second < checks.size() ? checks[second].quality : Quality::None;
        if (second < checks.size() && checks[second].checkedBpm) {
            checked.rates[second] = *checks[second].checkedBpm;
        }
        switch (quality) {
            case Quality::Good:
                break;
            case Quality::Maternal:
                ++checked.maternalSeconds;
                break;
            case Quality::Half:
                ++checked.halfSeconds;
                break;
            case Quality::None:
                ++checked.noSignalSeconds;
                break;
            case Quality::Double:
            case Quality::Unsure:
                ++checked.unsureSeconds;
                break;
        }
    }
    return checked;
}

}  // namespace marulo::report
