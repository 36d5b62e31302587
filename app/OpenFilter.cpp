#include "app/OpenFilter.h"

#include "plugins/SPIs.h"

namespace kova {

std::string BuildOpenFilter(const TSPIs& spis)
{
    std::string filter = "ビットマップ|*.bmp|";
    for (int i = 0; i < spis.Count(); ++i) {
        const TSPI* spi = spis.Items(i);
        if (i > 0)
            filter += "|";
        filter += spi->Descriptions().Strings(0) + "|" + spi->Extensions().Strings(0);
    }
    return filter;
}

}  // namespace kova
