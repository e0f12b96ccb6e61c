// qmxgen: writes deterministic .qmx animations.
//
//   qmxgen samples DIR      the bundled samples (walk.qmx, prop.qmx, ...)
//   qmxgen largest FILE     the largest animation the format can describe
//   qmxgen shape FILE [KEY=VALUE...]
//                           an animation of any shape; the keys (default):
//     records=2        header records
//     keyframes=10     keyframes
//     meshes=15        meshes per keyframe
//     trailing=0       bytes of opaque data after the keyframes
//     seed=1           seed of every byte not set by a key
//     factor_a=4       header factor A (0-255); total A = factor A x keyframes
//     factor_b=55      header factor B (0-255); total B = factor B x keyframes
//     range_start=10   first number of the keyframe range, which ends at
//                      range_start + keyframes - 1
//     wild_angles=0    not 0: Y and Z angles anywhere in -32768..32767
//                      instead of within one turn either way
//   qmxgen make FILE DESCRIPTION...
//                           an animation from a description, e.g.
//                           shape keyframes=3 | cut 200 | words 66=-60

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/paths.h"
#include "tools/sample_animation.h"

namespace {

using qmx::sample::Shape;

bool Write(const std::string& path, const Shape& shape) {
  if (qmx::sample::WriteFile(path, qmx::sample::MakeAnimation(shape))) {
    return true;
  }
  std::fprintf(stderr, "qmxgen: cannot write %s\n", path.c_str());
  return false;
}

bool WriteSamples(const std::string& dir) {
  for (const qmx::sample::NamedSample& sample : qmx::sample::BundledSamples()) {
    const std::string path =
        qmx::InDirectory(dir, sample.name, qmx::kNativePathStyle);
    if (!Write(path, sample.shape)) return false;
  }
  return true;
}

bool ParseShape(int argc, char** argv, Shape& shape) {
  for (int i = 3; i < argc; ++i) {
    if (!qmx::sample::SetShapeValue(shape, argv[i])) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc >= 3 ? argv[1] : "";
  if (command == "samples" && argc == 3) return WriteSamples(argv[2]) ? 0 : 1;
  if (command == "largest" && argc == 3) {
    return qmx::sample::WriteFile(argv[2], qmx::sample::MakeLargestAnimation())
               ? 0
               : 1;
  }
  if (command == "make" && argc >= 4) {
    std::string description;
    for (int i = 3; i < argc; ++i) description += std::string(argv[i]) + " ";
    const auto bytes = qmx::sample::MakeFromDescription(description);
    if (!bytes) {
      std::fprintf(stderr, "qmxgen: cannot make %s\n", description.c_str());
      return 2;
    }
    return qmx::sample::WriteFile(argv[2], *bytes) ? 0 : 1;
  }
  Shape shape;
  if (command == "shape" && ParseShape(argc, argv, shape)) {
    return Write(argv[2], shape) ? 0 : 1;
  }
  std::fprintf(stderr,
               "usage: qmxgen samples DIR\n"
               "       qmxgen largest FILE\n"
               "       qmxgen shape FILE [records=R] [keyframes=K] [meshes=M] "
               "[trailing=BYTES]\n"
               "                         [seed=S] [factor_a=A] [factor_b=B] "
               "[range_start=N]\n"
               "                         [wild_angles=0|1]\n"
               "       qmxgen make FILE DESCRIPTION...\n");
  return 2;
}
