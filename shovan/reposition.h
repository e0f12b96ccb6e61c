#ifndef QMX_SHOVAN_REPOSITION_H_
#define QMX_SHOVAN_REPOSITION_H_

#include <cstdint>

#include "common/tool.h"
#include "common/working_copy.h"

namespace qmx {

/// Position offsets in world units.
struct Offsets {
  int16_t x = 0;
  int16_t y = 0;
  int16_t z = 0;
};

/// Adds the offsets to the bounding box and root offset of every keyframe
/// of `store`, each sum wrapped to 16 bits. Words are visited keyframe by
/// keyframe in the order min X, max X, root X, min Y, max Y, root Y, min Z,
/// max Z, root Z, so a file that ends early is edited up to its first
/// missing word. Reports whether a sum wrapped and whether the file ended
/// early.
EditReport Reposition(ByteStore& store, const KeyframeArea& area,
                      const Offsets& offsets);

}  // namespace qmx

#endif  // QMX_SHOVAN_REPOSITION_H_
