#include "core/pocket_stats.h"

#include "core/site_value.h"
#include "core/text_format.h"

namespace mox {

int16_t FormatPocketStatistics(std::span<const uint8_t, 192> pocketDepths, int16_t lower, int16_t upper, int16_t style,
                               PocketStatisticsTexts& texts) {
    texts = PocketStatisticsTexts{};
    int n = 0;
    int32_t total = 0;
    int bandCount[3] = {0, 0, 0};
    for (uint8_t depth : pocketDepths) {
        if (depth == kNoSiteValue) continue;
        ++n;
        total += depth;
        const int16_t d = depth;
        if (d < lower)
            ++bandCount[0];
        else if (d < upper)
            ++bandCount[1];
        else
            ++bandCount[2];
    }
    const int16_t result = static_cast<int16_t>(n);
    if (style < 0 || style > 2) return result;

    texts.count = style == 0 ? QStringLiteral("PD総数：%1").arg(n) : QString::number(n);
    if (n == 0) return result;

    const QString mean = FormatOneDecimal(static_cast<double>(total) / n);
    texts.mean = style == 0 ? QStringLiteral("PD平均：") + mean : mean;

    auto bandText = [&](int band) {
        const QString count = QString::number(bandCount[band]);
        const QString share = FormatOneDecimal(static_cast<double>(bandCount[band]) / n * 100.0);
        switch (style) {
            case 0: {
                QString label;
                if (band == 0)
                    label = QStringLiteral("1-%1㎜：").arg(lower - 1);
                else if (band == 1)
                    label = QStringLiteral("%1-%2㎜：").arg(lower).arg(upper - 1);
                else
                    label = QStringLiteral("%1㎜-：").arg(upper);
                return label + count + QStringLiteral("(") + share + QStringLiteral("%)");
            }
            case 1:
                return count + QStringLiteral(" (") + share + QStringLiteral("%)");
            default:
                return count + QStringLiteral("\r\n(") + share + QStringLiteral("%)");
        }
    };
    texts.band1 = bandText(0);
    texts.band2 = bandText(1);
    texts.band3 = bandText(2);
    return result;
}

}  // namespace mox
