#pragma once
// Pocket-depth figures of one examination as the data sheet and the chart
// screen show them.

#include <QString>
#include <cstdint>
#include <span>

namespace mox {

struct PocketStatisticsTexts {
    QString count;
    QString mean;
    QString band1;  // depth below the lower bound
    QString band2;  // lower bound up to below the upper bound
    QString band3;  // upper bound and deeper
};

// Style 0: labelled ("PD総数：168", "1-3㎜：120(71.4%)"); style 1: bare
// ("120 (71.4%)"); style 2: the share on a second line. Depths are by site
// index, 128 meaning no value. Returns the number of measured sites. With no
// measured site only the count text is written; with an unknown style none.
int16_t FormatPocketStatistics(std::span<const uint8_t, 192> pocketDepths, int16_t lower, int16_t upper, int16_t style,
                               PocketStatisticsTexts& texts);

}  // namespace mox
