#include "qt/RasterThreads.h"

#include <QThreadPool>

namespace lumra {

void limitRasterFillThreads() {
    // Nothing else here uses the global pool.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
}

} // namespace lumra
