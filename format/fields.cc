#include "format/fields.h"

namespace qmx {

KeyframeArea ReadKeyframeArea(CheckedFields& header) {
  KeyframeArea area;
  area.table_length = TableLength(header.ReadU16(kHeaderRecordCountOffset));
  area.keyframe_count =
      header.ReadU16(area.table_length + kKeyframeCountOffset);
  area.keyframe_count_read = !header.failed();
  area.first_mesh_count =
      header.ReadU16(area.table_length + kFirstMeshCountOffset);
  area.stride = KeyframeStride(area.first_mesh_count);
  area.complete = !header.failed();
  return area;
}

}  // namespace qmx
