// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

#include "ratecheck/RateCheck.h"

namespace marulo::report {

// The colour of a second's mark, the same on the review chart's strip and in the report.
inline QColor MarkColour(ratecheck::Mark mark) {
    switch (mark) {
        case ratecheck::Mark::Confirmed:
            return {60, 165, 90};
        case ratecheck::Mark::Doubtful:
            return {235, 165, 40};
        case ratecheck::Mark::NoSignal:
            break;
    }
    return {195, 195, 195};
}

}  // namespace marulo::report
