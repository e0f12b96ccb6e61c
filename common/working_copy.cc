#include "common/working_copy.h"

namespace qmx {

KeyframeArea ReadKeyframeCount(WorkingCopy& copy) {
  KeyframeArea area;
  area.table_length = TableLength(copy.ReadU16(kHeaderRecordCountOffset));
  area.keyframe_count = copy.ReadU16(area.table_length + kKeyframeCountOffset);
  area.keyframe_count_read = !copy.failed();
  return area;
}

void ReadFirstMeshCount(WorkingCopy& copy, KeyframeArea& area) {
  area.first_mesh_count =
      copy.ReadU16(area.table_length + kFirstMeshCountOffset);
  area.stride = KeyframeStride(area.first_mesh_count);
}

KeyframeArea ReadKeyframeArea(WorkingCopy& copy) {
  KeyframeArea area = ReadKeyframeCount(copy);
  ReadFirstMeshCount(copy, area);
  return area;
}

bool EndedEarly(const WorkingCopy& copy, const KeyframeArea& area) {
  if (!copy.failed()) return false;
  return !(area.keyframe_count_read && area.keyframe_count == 0);
}

}  // namespace qmx
