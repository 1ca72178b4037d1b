// Qt's raster engine hands the spans of a large fill to the global thread
// pool and waits for them. For the modest fills of this application's
// windows the hand-offs cost several times the fill itself, so painting
// keeps to one pool thread. Call once, after the application object exists.
#pragma once

namespace lumra {

void limitRasterFillThreads();

} // namespace lumra
